// Random key, character, input-method, selection, clipboard, drag, block,
// tab-width, margin and undo steps through the control, checking after every
// step that the caret stands on a character boundary within the limits and
// that the row store holds together; searches for patterns spanning rows are
// checked against a plain scan of the whole text. Shared by the test (fixed
// seeds) and the long benchmark.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "core/codepage.h"
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
  if (!e.Caret().InTab() && e.Col() < static_cast<int>(a.size()) && a[static_cast<std::size_t>(e.Col())] == '3')
    return "caret inside a tab at row " + std::to_string(e.Row()) + " col " + std::to_string(e.Col());
  return {};
}

// Where a case-sensitive search must find Pattern in the whole text: the
// first (forward from the start) or last (backward from the end) offset that
// is not a trail byte; -1 when there is none.
inline std::int64_t ScanFor(const std::string& text, const std::string& pattern, bool forward) {
  std::vector<bool> trail(text.size(), false);
  for (std::size_t i = 0; i < text.size(); i += cp932::CharLength(text, i))
    if (cp932::CharLength(text, i) == 2) trail[i + 1] = true;
  std::int64_t found = -1;
  for (std::size_t p = text.find(pattern); p != std::string::npos; p = text.find(pattern, p + 1)) {
    if (trail[p]) continue;
    found = static_cast<std::int64_t>(p);
    if (forward) break;
  }
  return found;
}

inline std::string Shown(const std::string& s) {
  std::string out;
  for (unsigned char ch : s) {
    char b[8];
    std::snprintf(b, sizeof b, ch >= 0x20 && ch < 0x7f ? "%c" : "<%02x>", ch);
    out += b;
  }
  return out;
}

// A pattern spanning rows, taken from the text as a selection; searching it
// from either end must find what the scan finds. The caret and selection
// are left as the search left them.
inline std::string CheckRowsSearch(Ed& ed, int pick1, int pick2, int pick3, int pick4, bool forward) {
  const int count = ed.e.List().Count();
  if (count < 2) return {};
  // A match right of the column limit cannot take the caret; such texts are
  // left to the other steps.
  for (int r = 0; r < count; ++r)
    if (ed.e.ExpandListLength(r) >= TEditor::kMaxCol) return {};
  ed.e.SetSelectionMode(smLine);
  const int r1 = pick1 % count;
  const int r2 = std::min(count - 1, r1 + 1 + pick2 % 4);
  ed.Select(r1, pick3 % 40, r2, pick4 % 40);
  const std::string pattern = ed.e.GetSelText();
  ed.e.CleanSelection();
  if (pattern.empty() || pattern.size() > 3000) return {};
  const std::string text = ed.Text();
  const std::int64_t expected = ScanFor(text, pattern, forward);
  if (forward)
    ed.e.SetRowCol(0, 0);
  else
    ed.e.SetRowCol(count, 0), ed.e.SetRowCol(count, TEditor::kMaxCol);
  const TSearchOptions options = SearchBit(sfrMatchCase) | (forward ? SearchBit(sfrDown) : 0);
  const bool found = ed.e.Search(pattern, options);
  // Backward from the end of a last row wider than the column limit starts
  // inside that row; the scan then looks only before the caret.
  if (!forward && expected >= 0 && !found) {
    const std::int64_t caret = ed.e.SelStart();
    if (expected + static_cast<std::int64_t>(pattern.size()) > caret) return {};
  }
  if (found != (expected >= 0) || (found && ed.e.SelStart() != expected))
    return std::string(forward ? "forward" : "backward") + " search of a " + std::to_string(pattern.size()) +
           "-byte pattern over rows " + std::to_string(r1) + ".." + std::to_string(r2) + ": found " +
           (found ? std::to_string(ed.e.SelStart()) : std::string("nothing")) + ", scan " + std::to_string(expected) +
           " pattern " + Shown(pattern) + (found ? " there " + Shown(text.substr(static_cast<std::size_t>(ed.e.SelStart()), pattern.size() + 4)) : "");
  if (found && ed.e.GetSelText() != pattern) return "search selected another text";
  return {};
}

// Rows enough to make searches cross chunk edges, now and then one wider
// than the column limit.
inline std::string ManyRows(std::mt19937& rng, bool wide) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string s;
  const int rows = 40 + pick(160);
  for (int i = 0; i < rows; ++i) {
    const int len = wide && pick(10) == 0 ? 990 + pick(40) : pick(120);
    for (int k = 0; k < len; ++k) {
      const int c = pick(20);
      if (c == 0) s += "\x8a\xbf", ++k;
      else if (c == 1) s += '\t';
      else s += static_cast<char>('a' + pick(3));
    }
    s += "\r\n";
  }
  return s;
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
  std::string start = "ab\tc\r\n\x8a\xbf\x83\x5c x\r\n  indent\r\n";
  ed.Set(start);
  const char* pieces[] = {"a", " ", "\t", "\x8a\xbf", "\x83\x5c", "\x81\x40", "xyz", "\xb1", "\xff"};
  for (int i = 0; i < steps; ++i) {
    const int op = pick(28);
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
        // Whole rows from the left margin, now and then dragged over more.
        const TPoint m{1, ed.At(pick(ed.e.List().Count() + 1), 0).Y};
        const TPoint n{1, ed.At(pick(ed.e.List().Count() + 1), 0).Y};
        ed.e.MouseDown(mbLeft, 0, m);
        if (pick(2)) ed.e.MouseMove(0, n, true);
        ed.e.MouseUp(mbLeft, 0, pick(2) ? n : m);
        break;
      }
      case 24: {
        // Tab width and InTab: a change forgets the undo steps.
        if (pick(2))
          ed.e.Caret().SetTabSpaceCount(2 * (1 + pick(4)));
        else
          ed.e.Caret().SetInTab(!ed.e.Caret().InTab());
        if (!ed.e.CanUndo()) start = ed.Text();
        break;
      }
      case 25: {
        const std::string err = CheckRowsSearch(ed, pick(1000), pick(1000), pick(1000), pick(1000), pick(2) == 0);
        if (!err.empty()) return "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + err;
        break;
      }
      case 26:
        if (ed.e.List().Count() < 3000 && pick(3) == 0) ed.e.SetSelTextBuf(ManyRows(rng, pick(3) == 0));
        break;
      case 27:
        ed.e.SelectAll();
        break;
    }
    std::string err = ControlInvariants(ed.e);
    if (!err.empty()) {
      std::string hex;
      for (unsigned char ch : before.substr(0, 400)) {
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
