// Everything the editor control needs of the window system, as one interface:
// the Qt widget implements it, tests replace it with a recorder. The core
// never asks anything else of the platform.
#pragma once

#include <string>
#include <string_view>

#include "editor/control/editor_types.h"

namespace tolvan {

struct TFontMetrics {
  int Height = 16;           // ascent + descent
  int ExternalLeading = 0;
  int AveCharWidth = 8;      // the half-width advance; a double-byte character is two
  bool Italic = false;
};

enum TScrollBarKind { sbHorizontal = 0, sbVertical = 1 };

// What the control refuses to do for the user; the window words the message.
enum TEditorRefusal {
  erCopyTooLarge,  // the selection is larger than the clipboard takes
};

class TEditorPlatform {
 public:
  virtual ~TEditorPlatform() = default;

  // ---- state ----
  // Layout is computed only once the window exists.
  virtual bool HandleAllocated() const = 0;
  virtual bool Focused() const = 0;

  // ---- metrics ----
  virtual TFontMetrics FontMetrics() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Height of the horizontal bar and width of the vertical bar when shown.
  virtual int ScrollBarSize(TScrollBarKind kind) const = 0;

  // ---- output ----
  virtual void Invalidate(const TRect& rect) = 0;
  // Moves what is inside clip by (dx, dy) and repaints the uncovered part.
  virtual void ScrollRect(int dx, int dy, const TRect& clip) = 0;
  virtual void SetScrollBar(TScrollBarKind kind, int min, int max, int page, int pos) = 0;
  virtual void SetScrollPos(TScrollBarKind kind, int pos) = 0;
  virtual void ShowScrollBar(TScrollBarKind kind, bool show) = 0;
  // The caret: width and height in pixels, then its position.
  virtual void CreateCaret(int width, int height) = 0;
  virtual void DestroyCaret() = 0;
  virtual void SetCaretPos(int x, int y) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;
  virtual void SetCursor(TEditorMouseCursorState state) = 0;
  virtual void SetCompositionWindow(int x, int y) = 0;
  // The ruler's caret-column marker and the caret-row underline are drawn by
  // the widget; these tell it where they are now.
  virtual void UnderlineChanged() {}
  virtual void Beep() {}
  virtual void Refuse(TEditorRefusal) { Beep(); }

  // ---- clipboard ----
  // Plain text as CP932 bytes; false when the clipboard holds no text.
  virtual bool ReadClipboard(std::string& text, bool& box) = 0;
  virtual bool ClipboardHasText() = 0;
  // Given the text to keep: a copy as large as the clipboard takes is
  // built once.
  virtual void WriteClipboard(std::string text, bool box) = 0;
};

}  // namespace tolvan
