// Random key, character, input-method, selection, clipboard, drag, block,
// tab-width, margin and undo steps through the control, checking after every
// step that the caret stands on a character boundary within the limits and
// that the row store holds together; searches for patterns spanning rows are
// checked against a plain scan of the whole text. In either encoding the
// caret and the selection edges stand on character starts (asked of the
// encoding interface), word wrap cuts between characters, Delete and
// Backspace take exactly one character, typed bytes go in as given, and no
// byte but blanks occurs more often than before plus what the step was
// given; in UTF-8 no edit leaves more ill-formed bytes than it was given.
// Undo-all must give back the start bytes and redo-all the end bytes.
// Shared by the test (fixed seeds) and the long benchmark.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/encoding.h"
#include "editor/model/fuzz_text.h"
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
// is not inside a character (nor, in UTF-8, ends inside one: a base letter
// without its combining mark is half a character); -1 when there is none.
inline std::int64_t ScanFor(const std::string& text, const std::string& pattern, bool forward,
                            TextEncoding enc = TextEncoding::Cp932) {
  std::vector<bool> inside(text.size() + 1, false);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = CharLength(enc, text, i);
    for (std::size_t k = 1; k < n; ++k) inside[i + k] = true;
    i += n;
  }
  const bool endsToo = enc == TextEncoding::Utf8;
  std::int64_t found = -1;
  for (std::size_t p = text.find(pattern); p != std::string::npos; p = text.find(pattern, p + 1)) {
    if (inside[p] || (endsToo && inside[p + pattern.size()])) continue;
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

// A case-sensitive search for pattern from either end of the text must
// find what the scan finds. The caret and selection are left as the search
// left them. `what` names the pattern in a fault.
inline std::string CheckSearchFor(Ed& ed, const std::string& pattern, bool forward, TextEncoding enc,
                                  const std::string& what) {
  const int count = ed.e.List().Count();
  // A match right of the column limit cannot take the caret; such texts are
  // left to the other steps.
  for (int r = 0; r < count; ++r)
    if (ed.e.ExpandListLength(r) >= TEditor::kMaxCol) return {};
  const std::string text = ed.Text();
  const std::int64_t expected = ScanFor(text, pattern, forward, enc);
  ed.e.CleanSelection();  // a search starts after a selection
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
           "-byte pattern " + what + ": found " +
           (found ? std::to_string(ed.e.SelStart()) : std::string("nothing")) + ", scan " + std::to_string(expected) +
           " pattern " + Shown(pattern) + (found ? " there " + Shown(text.substr(static_cast<std::size_t>(ed.e.SelStart()), pattern.size() + 4)) : "");
  if (found && ed.e.GetSelText() != pattern) return "search selected another text";
  return {};
}

// A pattern spanning rows, taken from the text as a selection, searched
// from either end.
inline std::string CheckRowsSearch(Ed& ed, int pick1, int pick2, int pick3, int pick4, bool forward,
                                   TextEncoding enc = TextEncoding::Cp932) {
  const int count = ed.e.List().Count();
  if (count < 2) return {};
  for (int r = 0; r < count; ++r)
    if (ed.e.ExpandListLength(r) >= TEditor::kMaxCol) return {};
  ed.e.SetSelectionMode(smLine);
  const int r1 = pick1 % count;
  const int r2 = std::min(count - 1, r1 + 1 + pick2 % 4);
  ed.Select(r1, pick3 % 40, r2, pick4 % 40);
  const std::string pattern = ed.e.GetSelText();
  ed.e.CleanSelection();
  if (pattern.empty() || pattern.size() > 3000) return {};
  return CheckSearchFor(ed, pattern, forward, enc,
                        "over rows " + std::to_string(r1) + ".." + std::to_string(r2));
}

// What a run types, pastes and searches in its encoding. The UTF-8 pieces:
// 1-4 byte characters (ASCII, e acute, kanji, half-width kana, an emoji),
// a combining mark alone and after its letter, a zero-width joiner alone and
// between two emoji, a variation selector, and ill-formed bytes (a lone
// continuation byte, sequences cut short, an overlong form, a surrogate)
// that may meet their missing halves when typed next to each other.
struct FuzzAlphabet {
  TextEncoding encoding;
  std::string start;
  std::vector<std::string> pieces;
  std::string ime;     // opens every input-method result
  std::string box;     // a box of two rows
  std::string search;  // a two-column character searched for
  std::string wide;    // a two-column character in generated rows
};

inline const FuzzAlphabet& AlphabetOf(TextEncoding enc) {
  static const FuzzAlphabet cp932{TextEncoding::Cp932,
                                  "ab\tc\r\n\x8a\xbf\x83\x5c x\r\n  indent\r\n",
                                  {"a", " ", "\t", "\x8a\xbf", "\x83\x5c", "\x81\x40", "xyz", "\xb1", "\xff"},
                                  "\x82\xa0",
                                  "12\r\n\x8a\xbf",
                                  "\x8a\xbf",
                                  "\x8a\xbf"};
  static const FuzzAlphabet utf8{
      TextEncoding::Utf8,
      // "ab<tab>c", "漢ソ x", "e<acute> <emoji><cut-short 日>", "  indent"
      "ab\tc\r\n\xe6\xbc\xa2\xe3\x82\xbd x\r\ne\xcc\x81 \xf0\x9f\x98\x80\xe6\x97\r\n  indent\r\n",
      {"a", " ", "\t", "xyz",
       "\xe6\x97\xa5",                  // 日
       "\xe3\x82\xbd",                  // ソ
       "\xc3\xa9",                      // é
       "\xef\xbd\xb1",                  // half-width ｱ
       "\xf0\x9f\x98\x80",              // emoji, two columns
       "\xe3\x80\x80",                  // ideographic space
       "\xcc\x81",                      // combining acute alone
       "e\xcc\x81",                     // e and combining acute
       "\xe2\x80\x8d",                  // zero-width joiner alone
       "\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9",  // man, joiner, woman
       "\xe2\x9d\xa4\xef\xb8\x8f",      // heart and variation selector
       "\x97",                          // lone continuation bytes
       "\xa5",
       "\xe6\x97",                      // 日 cut short
       "\xf0\x9f\x98",                  // emoji cut short
       "\xff",
       "\xc0\xaf",                      // overlong '/'
       "\xed\xa0\x80"},                 // a surrogate
      "\xe3\x81\x82",                   // あ
      "12\r\n\xe6\x97\xa5",
      "\xe6\x97\xa5",
      "\xe6\xbc\xa2"};
  return enc == TextEncoding::Utf8 ? utf8 : cp932;
}

// Rows enough to make searches cross chunk edges, now and then one wider
// than the column limit.
inline std::string ManyRows(std::mt19937& rng, bool wide, TextEncoding enc = TextEncoding::Cp932) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const FuzzAlphabet& alpha = AlphabetOf(enc);
  std::string s;
  const int rows = 40 + pick(160);
  for (int i = 0; i < rows; ++i) {
    const int len = wide && pick(10) == 0 ? 990 + pick(40) : pick(120);
    for (int k = 0; k < len; ++k) {
      const int c = pick(20);
      if (c == 0) s += alpha.wide, ++k;
      else if (c == 1) s += '\t';
      else if (c == 2 && enc == TextEncoding::Utf8) s += alpha.pieces[static_cast<std::size_t>(pick(static_cast<int>(alpha.pieces.size())))];
      else s += static_cast<char>('a' + pick(3));
    }
    s += "\r\n";
  }
  return s;
}

// Byte offset of the start of a row in the whole text.
inline std::size_t RowOffset(const TEditor& e, int row) {
  std::size_t n = 0;
  for (int r = 0; r < row; ++r) n += e.List().ListStr(r).size() + (e.List().Rows(r) == raCrlf ? 2 : 0);
  return n;
}

// The caret, the selection edges and the wrap cuts against the encoding's
// characters. Empty when they hold.
inline std::string CharInvariants(const TEditor& e, TextEncoding enc) {
  const int count = e.List().Count();
  const TColumnRules rules = e.ColumnRules();
  if (e.Row() < count) {
    const std::string_view row = e.List().ListStr(e.Row());
    const RowCells cells = CellsOf(enc, row, rules);
    const int k = cells.CharAtColumn(e.Col());
    if (k >= 0 && cells.col[static_cast<std::size_t>(k)] != e.Col()) {
      const bool tab = row[static_cast<std::size_t>(cells.byte[static_cast<std::size_t>(k)])] == '\t';
      if (!tab || !e.Caret().InTab())
        return std::string("caret inside a ") + (tab ? "tab" : "character") + " at row " + std::to_string(e.Row()) +
               " col " + std::to_string(e.Col());
    }
  }
  if (e.HasSelectedText()) {
    const TSelectedPosition sel = e.SelStr();
    if (e.SelectionMode() == smLine) {
      auto edge = [&](int r, int b) -> std::string {
        if (r >= count) return {};
        const std::string_view row = e.List().ListStr(r);
        if (b < 0 || static_cast<std::size_t>(b) > row.size() || OnCharStart(enc, row, static_cast<std::size_t>(b)))
          return {};
        return "selection edge inside a character at row " + std::to_string(r) + " byte " + std::to_string(b);
      };
      std::string err = edge(sel.Sr, sel.Sc);
      if (err.empty()) err = edge(sel.Er, sel.Ec + 1);
      if (!err.empty()) return err;
    } else {
      // Each row of a box is a run of whole characters of its row.
      const std::string text = e.GetSelText();
      std::size_t at = 0;
      for (int r = sel.Sr; r <= std::min(sel.Er, count - 1); ++r) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return "box text has too few rows";
        const std::string piece = text.substr(at, end - at);
        at = end + 2;
        const std::string_view row = e.List().ListStr(r);
        bool whole = piece.empty();
        for (std::size_t p = row.find(piece); !whole && p != std::string_view::npos; p = row.find(piece, p + 1))
          whole = OnCharStart(enc, row, p) && OnCharStart(enc, row, p + piece.size());
        if (!whole) return "box row " + std::to_string(r) + " holds part of a character: " + Shown(piece);
      }
    }
  }
  return WrapCutFault(e.List());
}

// An edit removes text and puts in what it was given plus blanks (padding,
// indentation): no other byte may occur more often afterwards. Returns the
// first byte that does, or -1.
inline int ByteGrown(std::string_view before, std::string_view after, std::string_view given) {
  std::array<long, 256> n{};
  for (unsigned char c : before) ++n[c];
  for (unsigned char c : given) ++n[c];
  for (unsigned char c : after) --n[c];
  for (int c = 0; c < 256; ++c)
    if (n[static_cast<std::size_t>(c)] < 0 && c != ' ' && c != '\t' && c != '\r' && c != '\n') return c;
  return -1;
}

// Runs `steps` random steps; returns the first fault, empty when none.
inline std::string RunControlFuzz(unsigned seed, int steps, bool wrap, TextEncoding enc = TextEncoding::Cp932) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const FuzzAlphabet& alpha = AlphabetOf(enc);
  const int pieceCount = static_cast<int>(alpha.pieces.size());
  auto piece = [&]() -> const std::string& { return alpha.pieces[static_cast<std::size_t>(pick(pieceCount))]; };
  const bool utf8 = enc == TextEncoding::Utf8;
  // TOLVAN_FUZZ_TRACE=1 prints every step and the text after it.
  static const bool trace = std::getenv("TOLVAN_FUZZ_TRACE") != nullptr;
  // TOLVAN_FUZZ_SKIP=",19,12," leaves those operations out (the draws stay
  // the same), to look past a known fault.
  static const std::string skip = std::getenv("TOLVAN_FUZZ_SKIP") ? std::getenv("TOLVAN_FUZZ_SKIP") : "";
  Ed ed;
  ed.e.Lines().SetEncoding(enc);
  if (wrap) {
    ed.e.SetWordWrap(true);
    ed.e.WrapOption().SetWrapByte(20 + pick(20));
  }
  ed.e.SetUndoListMax(100000);
  std::string start = alpha.start;
  ed.Set(start);
  int echo = 0;  // input-method characters still to be swallowed (CP932)
  std::string text = ed.Text();
  int illFormed = utf8 ? IllFormedBytes(text) : 0;
  for (int i = 0; i < steps; ++i) {
    const int drawn = pick(28);
    const int op = skip.find("," + std::to_string(drawn) + ",") == std::string::npos ? drawn : -1;
    const std::string before = std::move(text);
    const int br = ed.e.Row(), bc = ed.e.Col(), bmode = ed.e.SelectionMode(), bstate = ed.e.SelectionState();
    const TSelectedPosition bsel = ed.e.SelDraw();
    // Bytes this step hands to the control; undo and redo hand back older
    // texts and are not counted.
    std::string given;
    bool counted = true;
    // Delete and Backspace on a character of the row: the text they must
    // leave (empty when the step is not such a one).
    std::string expected;
    bool expectSet = false;
    switch (op) {
      case 0: case 1: case 2: {
        given = piece();
        // Typed in insert mode on a character start: the bytes go in as
        // they are, whatever they meet (nothing typed is refused). Typing
        // never brings ill-formed UTF-8; the control may drop it.
        const bool swallowed = echo > 0 || (utf8 && !utf8::IsValid(given));
        for (std::size_t b = 0; b < given.size(); ++b) {
          const auto c = static_cast<unsigned char>(given[b]);
          if (cp932::IsLeadByte(c) && b + 1 < given.size())
            echo = std::max(0, echo - 2), ++b;
          else if ((c >= 0x20 && c <= 0x7e) || c >= 0xa0)
            echo = std::max(0, echo - 1);
        }
        if (!swallowed && !ed.e.Selected() && !ed.e.OverWrite() && given != "\t" &&
            ed.e.Row() < ed.e.List().Count()) {
          const std::string_view row = ed.e.List().ListStr(ed.e.Row());
          const RowCells cells = CellsOf(enc, row, ed.e.ColumnRules());
          const int k = ed.e.Col() >= cells.width ? static_cast<int>(cells.byte.size()) : cells.CharAtColumn(ed.e.Col());
          const bool atStart = k < static_cast<int>(cells.byte.size())
                                   ? cells.col[static_cast<std::size_t>(k)] == ed.e.Col()
                                   : ed.e.Col() == cells.width;
          if (atStart && cells.width < 900) {
            const std::size_t at = k < static_cast<int>(cells.byte.size())
                                       ? static_cast<std::size_t>(cells.byte[static_cast<std::size_t>(k)])
                                       : row.size();
            expected = before;
            expected.insert(RowOffset(ed.e, ed.e.Row()) + at, given);
            expectSet = true;
          }
        }
        ed.e.CharBytes(given);
        break;
      }
      case 3:
        // Auto-indent copies the row's leading blanks, full-width ones too.
        if (ed.e.Row() < ed.e.List().Count()) given = ed.e.List().ListStr(ed.e.Row());
        ed.e.CharBytes("\r", pick(4) == 0 ? kShift : 0);
        break;
      case 4: case 5: {
        const bool del = op == 5;
        if (!ed.e.Selected() && ed.e.Row() < ed.e.List().Count()) {
          const std::string_view row = ed.e.List().ListStr(ed.e.Row());
          const RowCells cells = CellsOf(enc, row, ed.e.ColumnRules());
          const int k = ed.e.Col() >= cells.width ? static_cast<int>(cells.byte.size()) : cells.CharAtColumn(ed.e.Col());
          const bool atStart = k < static_cast<int>(cells.byte.size()) ? cells.col[static_cast<std::size_t>(k)] == ed.e.Col()
                                                                       : ed.e.Col() == cells.width;
          // On a character other than a tab; Backspace right of the indentation
          // (in it, or on a blank row, it goes back to the indentation above).
          const int gone = del ? k : k - 1;
          if (atStart && gone >= 0 && gone < static_cast<int>(cells.byte.size())) {
            const auto from = static_cast<std::size_t>(cells.byte[static_cast<std::size_t>(gone)]);
            const int indent = TabbedTopSpace(row, ed.e.ColumnRules());
            const bool indented = indent == cells.width || ed.e.Col() <= indent;
            if (row[from] != '\t' && (del || !indented)) {
              const std::size_t n = CharLength(enc, row, from);
              expected = before;
              expected.erase(RowOffset(ed.e, ed.e.Row()) + from, n);
              expectSet = true;
            }
          }
        }
        if (del)
          ed.e.KeyDown(ekDelete, 0);
        else
          ed.e.CharBytes("\b");
        break;
      }
      case 6: case 7: {
        const TEditorKey keys[] = {ekLeft, ekRight, ekUp, ekDown, ekHome, ekEnd, ekPageUp, ekPageDown};
        ed.e.KeyDown(keys[pick(8)], static_cast<TShiftState>(pick(4)), pick(3) == 0);
        break;
      }
      case 8:
        ed.e.SetRowCol(pick(ed.e.List().Count() + 2), pick(60));
        break;
      case 9:
        given = alpha.ime + piece();
        // The CP932 run also plays the characters a Windows input method
        // echoes after its result, which the control swallows; the widget
        // here sends none.
        ed.e.ImeResult(given, !utf8);
        if (!utf8) echo = static_cast<int>(given.size());
        break;
      case 10:
        ed.e.SetSelectionMode(pick(2) ? smBox : smLine);
        break;
      case 11:
        ed.e.CopyToClipboard();
        break;
      case 12:
        if (ed.p.clipHasText) given = ed.p.clip;
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
        // A drag with Ctrl copies the selection.
        given = ed.e.GetSelText();
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
        counted = false;
        break;
      case 18:
        ed.e.Redo();
        counted = false;
        break;
      case 19:
        given = pick(2) ? alpha.box : "q";
        ed.e.SetSelTextBox(given);
        break;
      case 20:
        ed.e.SetOverWrite(!ed.e.OverWrite());
        break;
      case 21:
        if (utf8 && pick(2)) {
          // Patterns that a byte search would find inside characters: the
          // tail of 日, a letter that carries a mark, a joiner, an
          // ill-formed byte; the scan finds them only where they stand whole.
          static const char* const kInside[] = {"\x97\xa5", "\xa5", "e", "\xcc\x81", "\xe2\x80\x8d", "\xe6\x97", "a"};
          const std::string err = CheckSearchFor(ed, kInside[pick(7)], pick(2) == 0, enc, "from a list");
          if (!err.empty()) return "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + err;
          break;
        }
        ed.e.Search(pick(2) ? "a" : alpha.search, pick(2) ? SearchBit(sfrDown) : 0);
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
        if (utf8 && pick(3) == 0) {
          // The bytes read as CP932 for a while, as reopening a file does:
          // the caret and the selection must stand on characters of each.
          ed.e.Lines().SetEncoding(TextEncoding::Cp932);
          std::string err = ControlInvariants(ed.e);
          if (err.empty()) err = CharInvariants(ed.e, TextEncoding::Cp932);
          ed.e.Lines().SetEncoding(TextEncoding::Utf8);
          if (!err.empty())
            return "seed " + std::to_string(seed) + " step " + std::to_string(i) + " as CP932: " + err;
        } else if (pick(2)) {
          ed.e.Caret().SetTabSpaceCount(2 * (1 + pick(4)));
        } else {
          ed.e.Caret().SetInTab(!ed.e.Caret().InTab());
        }
        if (!ed.e.CanUndo()) start = ed.Text();
        break;
      }
      case 25: {
        const std::string err =
            CheckRowsSearch(ed, pick(1000), pick(1000), pick(1000), pick(1000), pick(2) == 0, enc);
        if (!err.empty()) return "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + err;
        break;
      }
      case 26:
        if (ed.e.List().Count() < 3000 && pick(3) == 0) {
          given = ManyRows(rng, pick(3) == 0, enc);
          ed.e.SetSelTextBuf(given);
        }
        break;
      case 27:
        ed.e.SelectAll();
        break;
    }
    if (trace)
      std::fprintf(stderr, "step %d op %d clip-box %d given %s caret %d,%d sel %d mode %d bytes %d,%d-%d,%d cols %d,%d-%d,%d: %s\n", i,
                   op, ed.p.clipBox, Shown(given).c_str(), ed.e.Row(), ed.e.Col(), static_cast<int>(ed.e.SelectionState()),
                   static_cast<int>(ed.e.SelectionMode()), ed.e.SelStr().Sr, ed.e.SelStr().Sc, ed.e.SelStr().Er,
                   ed.e.SelStr().Ec, ed.e.SelDraw().Sr, ed.e.SelDraw().Sc, ed.e.SelDraw().Er, ed.e.SelDraw().Ec,
                   Shown(ed.Text().substr(0, 300)).c_str());
    text = ed.Text();
    const std::string& after = text;
    std::string err = ControlInvariants(ed.e);
    if (err.empty()) err = CharInvariants(ed.e, enc);
    if (err.empty() && expectSet && after != expected) {
      std::size_t d = 0;
      while (d < after.size() && d < expected.size() && after[d] == expected[d]) ++d;
      const std::size_t from = d > 30 ? d - 30 : 0;
      err = std::string(op == 5 ? "Delete did not take exactly one character"
                        : op == 4 ? "Backspace did not take exactly one character"
                                  : "typing did not insert the bytes as given") +
            ": from byte " + std::to_string(d) + " got " + Shown(after.substr(from, 60)) + " expected " +
            Shown(expected.substr(from, 60));
    }
    if (err.empty() && counted) {
      const int c = ByteGrown(before, after, given);
      if (c >= 0)
        err = "byte " + Shown(std::string(1, static_cast<char>(c))) + " occurs more often than before and given: " +
              "given " + Shown(given.substr(0, 100)) + " | after: " + Shown(after.substr(0, 400));
    }
    const int was = illFormed;
    if (utf8) illFormed = IllFormedBytes(after);
    if (err.empty() && utf8 && counted) {
      const int now = illFormed, added = IllFormedBytes(given);
      if (now > was + added)
        err = "a character was split: " + std::to_string(now) + " ill-formed bytes, " + std::to_string(was) +
              " before and " + std::to_string(added) + " given | after: " + Shown(after.substr(0, 400));
    }
    if (!err.empty()) {
      return "seed " + std::to_string(seed) + " step " + std::to_string(i) + " op " + std::to_string(op) + ": " +
             err + " | before: " + Shown(before.substr(0, 400)) + " caret " + std::to_string(br) + "," +
             std::to_string(bc) + " mode " + std::to_string(bmode) + " state " + std::to_string(bstate) + " sel " +
             std::to_string(bsel.Sr) + "," + std::to_string(bsel.Sc) + "-" + std::to_string(bsel.Er) + "," +
             std::to_string(bsel.Ec);
    }
  }
  ed.e.SetOverWrite(false);
  // The newest text the history holds: the run may have ended on undos.
  while (ed.e.CanRedo()) ed.e.Redo();
  const std::string end = ed.Text();
  while (ed.e.CanUndo()) ed.e.Undo();
  if (ed.Text() != start) return "seed " + std::to_string(seed) + ": undo-all did not return the text";
  while (ed.e.CanRedo()) ed.e.Redo();
  if (ed.Text() != end) return "seed " + std::to_string(seed) + ": redo-all did not return the end text";
  return {};
}

}  // namespace tolvan::test
