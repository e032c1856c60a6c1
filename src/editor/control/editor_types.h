// The editor control's shared vocabulary: its enumerations, the key codes and
// mouse buttons events arrive with, and the edit-control message numbers
// answered by Perform (the values are those of the standard edit control, so
// code written for edit boxes can drive the control unchanged).
#pragma once

#include <cstdint>

namespace tolvan {

enum TEditorSelectionState { sstNone = 0, sstInit = 1, sstSelected = 2, sstHitSelected = 3 };
enum TEditorSelectionMode { smLine = 0, smBox = 1 };
enum TEditorSelDragState { sdNone = 0, sdInit = 1, sdDragging = 2 };
enum TEditorSelDragMode { dmAutomatic = 0, dmManual = 1 };
enum TEditorMouseCursorState {
  mcClient = 0,
  mcLeftMargin = 1,
  mcTopMargin = 2,
  mcInSel = 3,
  mcDragging = 4,
  mcDraggingCopy = 5,
};
enum TEditorHitStyle { hsSelect = 0, hsDraw = 1, hsCaret = 2 };
enum TEditorCaretStyle { csDefault = 0, csBrief = 1 };
enum TEditorShowNumberMode { nmRow = 0, nmLine = 1 };
enum TScrollStyle { ssNone = 0, ssHorizontal = 1, ssVertical = 2, ssBoth = 3 };

// Keys the control acts on in key down; everything else is ekOther.
enum TEditorKey {
  ekOther = 0,
  ekPageUp,
  ekPageDown,
  ekEnd,
  ekHome,
  ekLeft,
  ekUp,
  ekRight,
  ekDown,
  ekDelete,
  ekInsert,
  ekEscape,
  ekControl,
};

// Shift state of a key or mouse event.
enum TShiftFlag : std::uint8_t { kShift = 1, kCtrl = 2, kAlt = 4 };
using TShiftState = std::uint8_t;

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Scroll-bar request codes.
enum TScrollCode {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};
inline constexpr int SB_LINELEFT = SB_LINEUP;
inline constexpr int SB_LINERIGHT = SB_LINEDOWN;
inline constexpr int SB_PAGELEFT = SB_PAGEUP;
inline constexpr int SB_PAGERIGHT = SB_PAGEDOWN;
inline constexpr int SB_LEFT = SB_TOP;
inline constexpr int SB_RIGHT = SB_BOTTOM;

// Edit-control messages.
enum TEditorMessage : unsigned {
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_GETTEXTLENGTH = 0x000E,
  EM_GETSEL = 0x00B0,
  EM_SETSEL = 0x00B1,
  EM_SCROLLCARET = 0x00B7,
  EM_GETMODIFY = 0x00B8,
  EM_SETMODIFY = 0x00B9,
  EM_GETLINECOUNT = 0x00BA,
  EM_LINEINDEX = 0x00BB,
  EM_LINELENGTH = 0x00C1,
  EM_REPLACESEL = 0x00C2,
  EM_GETLINE = 0x00C4,
  EM_CANUNDO = 0x00C6,
  EM_UNDO = 0x00C7,
  EM_LINEFROMCHAR = 0x00C9,
  EM_EMPTYUNDOBUFFER = 0x00CD,
  EM_GETFIRSTVISIBLELINE = 0x00CE,
  EM_SETREADONLY = 0x00CF,
  EM_POSFROMCHAR = 0x00D6,
  EM_CHARFROMPOS = 0x00D7,
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
};

// Low and high 16-bit words of a message answer.
constexpr std::intptr_t MakeLong(int low, int high) {
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(
      (static_cast<std::uint32_t>(high) << 16) | (static_cast<std::uint32_t>(low) & 0xFFFFu)));
}
constexpr int LoWord(std::intptr_t v) { return static_cast<int>(static_cast<std::uint32_t>(v) & 0xFFFFu); }
constexpr int HiWord(std::intptr_t v) { return static_cast<int>((static_cast<std::uint32_t>(v) >> 16) & 0xFFFFu); }

struct TPoint {
  int X = 0;
  int Y = 0;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  bool operator==(const TRect&) const = default;
};

}  // namespace tolvan
