// Random key, character, input-method, selection, clipboard, drag, block and
// undo steps through the control, checking after every step that the caret
// stands on a character boundary within the limits and that the row store
// holds together. Shared by the test (fixed seeds) and the long benchmark.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "editor/model/invariants.h"
#include "recording_platform.h"

namespace tolvan::test {

inline std::string ControlInvariants(const TEditor& e) {
  std::string err = CheckInvariants(e.List());
  if (!err.empty()) return err;
  const int count = e.List().Count();
  if (e.Row() < 0 || e.Row() > count) return "caret row out of range";
  if (count > 0 && e.List().Rows(count - 1) == raEof && e.Row() == count) return "caret after an EOF row";
  if (e.Col() < 0 || e.Col() > TEditor::kMaxCol) return "caret column out of range";
  if (e.HasSelectedText() != (e.SelLength() > 0)) return "HasSelectedText disagrees with SelLength";
  const std::string a = StrToAttributes(e.List().ListStr(e.Row()), e.ColumnRules());
  if (e.Col() < static_cast<int>(a.size()) && a[static_cast<std::size_t>(e.Col())] == '5')
    return "caret inside a double-byte character at row " + std::to_string(e.Row()) + " col " +
           std::to_string(e.Col());
  return {};
}

// Runs `steps` random steps; returns the first fault, empty when none.
inline std::string RunControlFuzz(unsigned seed, int steps, bool wrap) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Ed ed;
  if (wrap) {
    ed.e.SetWordWrap(true);
    ed.e.WrapOption().SetWrapByte(20 + pick(20));
  }
  ed.e.SetUndoListMax(100000);
  const std::string start = "ab\tc\r\n\x8a\xbf\x83\x5c x\r\n  indent\r\n";
  ed.Set(start);
  const char* pieces[] = {"a", " ", "\t", "\x8a\xbf", "\x83\x5c", "\x81\x40", "xyz", "\xb1", "\xff"};
  for (int i = 0; i < steps; ++i) {
    const int op = pick(24);
    const std::string before = ed.Text();
    const int br = ed.e.Row(), bc = ed.e.Col(), bmode = ed.e.SelectionMode(), bstate = ed.e.SelectionState();
    const TSelectedPosition bsel = ed.e.SelDraw();
    switch (op) {
      case 0: case 1: case 2:
        ed.e.CharBytes(pieces[pick(9)]);
        break;
      case 3:
        ed.e.CharBytes("\r", pick(4) == 0 ? kShift : 0);
        break;
      case 4:
        ed.e.CharBytes("\b");
        break;
      case 5:
        ed.e.KeyDown(ekDelete, 0);
        break;
      case 6: case 7: {
        const TEditorKey keys[] = {ekLeft, ekRight, ekUp, ekDown, ekHome, ekEnd, ekPageUp, ekPageDown};
        ed.e.KeyDown(keys[pick(8)], static_cast<TShiftState>(pick(4)), pick(3) == 0);
        break;
      }
      case 8:
        ed.e.SetRowCol(pick(ed.e.List().Count() + 2), pick(60));
        break;
      case 9:
        ed.e.ImeResult(std::string("\x82\xa0") + pieces[pick(9)]);
        break;
      case 10:
        ed.e.SetSelectionMode(pick(2) ? smBox : smLine);
        break;
      case 11:
        ed.e.CopyToClipboard();
        break;
      case 12:
        ed.e.PasteFromClipboard();
        break;
      case 13:
        ed.e.CutToClipboard();
        break;
      case 14: {
        const int c = ed.e.List().Count() + 1;
        ed.Select(pick(c), pick(30), pick(c), pick(30));
        break;
      }
      case 15: {
        const TPoint a = ed.At(pick(ed.e.List().Count() + 1), pick(30));
        const TPoint b = ed.At(pick(ed.e.List().Count() + 1), pick(30));
        const TShiftState s = pick(2) ? kCtrl : 0;
        ed.e.MouseDown(mbLeft, 0, a);
        ed.e.MouseMove(s, b, true);
        ed.e.MouseUp(mbLeft, s, b);
        break;
      }
      case 16: {
        const int k = pick(4);
        if (k == 0) ed.e.SelIndent();
        if (k == 1) ed.e.SelUnIndent();
        if (k == 2) ed.e.SelTabIndent();
        if (k == 3) ed.e.SelTabUnIndent();
        break;
      }
      case 17:
        ed.e.Undo();
        break;
      case 18:
        ed.e.Redo();
        break;
      case 19:
        ed.e.SetSelTextBox(pick(2) ? "12\r\n\x8a\xbf" : "q");
        break;
      case 20:
        ed.e.SetOverWrite(!ed.e.OverWrite());
        break;
      case 21:
        ed.e.Search(pick(2) ? "a" : "\x8a\xbf", pick(2) ? SearchBit(sfrDown) : 0);
        break;
      case 22:
        ed.e.DeleteRow(pick(ed.e.List().Count() + 1));
        break;
      case 23: {
        const TPoint m{1, ed.At(pick(ed.e.List().Count() + 1), 0).Y};
        ed.e.MouseDown(mbLeft, 0, m);
        ed.e.MouseUp(mbLeft, 0, m);
        break;
      }
    }
    std::string err = ControlInvariants(ed.e);
    if (!err.empty()) {
      std::string hex;
      for (unsigned char ch : before) {
        char b[8];
        snprintf(b, sizeof b, ch >= 0x20 && ch < 0x7f ? "%c" : "<%02x>", ch);
        hex += b;
        if (ch >= 0x20 && ch < 0x7f) continue;
      }
      return "seed " + std::to_string(seed) + " step " + std::to_string(i) + " op " + std::to_string(op) + ": " +
             err + " | before: " + hex + " caret " + std::to_string(br) + "," + std::to_string(bc) + " mode " +
             std::to_string(bmode) + " state " + std::to_string(bstate) + " sel " + std::to_string(bsel.Sr) + "," +
             std::to_string(bsel.Sc) + "-" + std::to_string(bsel.Er) + "," + std::to_string(bsel.Ec);
    }
  }
  ed.e.SetOverWrite(false);
  while (ed.e.CanUndo()) ed.e.Undo();
  if (ed.Text() != start) return "seed " + std::to_string(seed) + ": undo-all did not return the text";
  return {};
}

}  // namespace tolvan::test
