// Randomized edits of a row store with invariant checks after every step.
// Shared by the fixed-seed test and the long-run program in bench/model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "comment_parser.h"
#include "core/codepage.h"
#include "core/encoding.h"
#include "editor/model/editor_strings.h"
#include "editor/model/screen_strings.h"
#include "fuzz_text.h"
#include "invariants.h"
#include "test_client.h"

namespace tolvan::test {

struct FuzzResult {
  long steps = 0;
  long undoAllChecks = 0;
  std::string failure;  // empty when every check held
};

class FuzzRun {
 public:
  explicit FuzzRun(std::uint32_t seed, TextEncoding encoding = TextEncoding::Cp932,
                   std::optional<LineEnd> ownLineEnd = std::nullopt)
      : rng_(seed) {
    f_.store->SetOwnLineEnd(ownLineEnd);
    f_.client.scheme = &scheme_;
    f_.client.screenHeight = 4 * 16;
    f_.store->UndoObj().SetListMax(1 << 20);
    f_.store->SetEncoding(encoding);
    utf8_ = encoding == TextEncoding::Utf8;
  }

  FuzzResult Run(long steps) {
    FuzzResult res;
    StartHistory();
    for (long i = 0; i < steps && res.failure.empty(); ++i) {
      Step(res);
      ++res.steps;
      if (res.failure.empty()) res.failure = Check();
      if (!res.failure.empty()) res.failure = "step " + std::to_string(i) + ": " + res.failure;
    }
    if (res.failure.empty()) {
      res.failure = UndoAllRedoAll();
      ++res.undoAllChecks;
    }
    return res;
  }

 private:
  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string Piece() {
    static const char* const kPieces[] = {"a", "xyz", "\r\n", "\r\n", "\t", "\x82\xA0", " ", ".",
                                          "\x81\x76", "\x81\x41", "\r", "\n", "\x81\x69",
                                          "\x83\x5C", "_", "\xB6\xDE"};
    // The same shapes in UTF-8 (あ 」 、 （ ソ ｶﾞ), then what only UTF-8 has:
    // combining marks with and without their letter, a joiner, an emoji, a
    // variation selector, ill-formed bytes.
    static const char* const kUtf8Pieces[] = {
        "a", "xyz", "\r\n", "\r\n", "\t", "\xE3\x81\x82", " ", ".", "\xE3\x80\x8D", "\xE3\x80\x81", "\r", "\n",
        "\xEF\xBC\x88", "\xE3\x82\xBD", "_", "\xEF\xBD\xB6\xEF\xBE\x9E", "e\xCC\x81", "\xCC\x81", "\xCC\x81\xCC\xA3",
        "\xE2\x80\x8D", "\xF0\x9F\x98\x80", "\xE2\x9D\xA4\xEF\xB8\x8F", "\x97", "\xE6\x97", "\xFF", "\xF0\x9F\x98"};
    const bool utf8 = utf8_;
    const int pieces = utf8 ? static_cast<int>(std::size(kUtf8Pieces)) : 16;
    int k = Rand(0, pieces + 4);
    if (k < pieces) return utf8 ? kUtf8Pieces[k] : kPieces[k];
    // A long run, so that lines wrap.
    std::string s;
    int n = Rand(10, 90);
    for (int i = 0; i < n; ++i) {
      if (Rand(0, 9) != 0) s += 'b';
      else if (!utf8) s += "\x88\x9F";
      else s += Rand(0, 3) == 0 ? "e\xCC\x81" : "\xE6\xBC\xA2";  // a combined letter or 漢
    }
    return s;
  }

  std::string RandomText() {
    std::string s;
    int n = Rand(0, 4);
    for (int i = 0; i < n; ++i) s += Piece();
    return s;
  }

  void StartHistory() {
    base_ = f_.store->ListToStr();
    texts_.assign(1, base_);
    pos_ = 0;
  }

  void Step(FuzzResult& res) {
    TEditorScreenStrings& s = *f_.store;
    int op = Rand(0, 99);
    if (op < 70) {
      const int n = s.Count();
      int index = Rand(0, n);
      int count = index >= n ? 0 : Rand(0, std::min(3, n - index));
      f_.client.col = Rand(0, 2);
      std::size_t before = s.UndoObj().UndoList().size();
      std::string str = RandomText();
      const bool checkNow = Rand(0, 3) == 0;
      const std::string rowsBefore = checkNow ? RowsOf(s) : std::string();
      if (trace) std::fprintf(stderr, "UpdateList(%d,%d,%s)\n", index, count, Show(str).c_str());
      s.UpdateList(index, count, str);
      if (s.UndoObj().UndoList().size() == before) return;
      texts_.resize(static_cast<std::size_t>(pos_) + 1);
      texts_.push_back(s.ListToStr());
      ++pos_;
      if (!checkNow) return;
      // The record undoes and redoes on the spot, row for row.
      const std::string rowsAfter = RowsOf(s);
      s.Undo();
      if (RowsOf(s) != rowsBefore) {
        res.failure = "undo of UpdateList(" + std::to_string(index) + "," + std::to_string(count) +
                      "," + Show(str) + ") did not give back the rows";
        return;
      }
      s.Redo();
      if (RowsOf(s) != rowsAfter) res.failure = "redo did not give back the rows";
    } else if (op < 80) {    } else if (op < 80) {
      if (pos_ > 0) {
        if (trace) std::fprintf(stderr, "Undo\n");
        s.Undo();
        --pos_;
        if (s.ListToStr() != texts_[static_cast<std::size_t>(pos_)]) res.failure = "undo gave another text";
      }
    } else if (op < 88) {
      if (pos_ + 1 < static_cast<int>(texts_.size())) {
        if (trace) std::fprintf(stderr, "Redo\n");
        s.Redo();
        ++pos_;
        if (s.ListToStr() != texts_[static_cast<std::size_t>(pos_)]) res.failure = "redo gave another text";
      }
    } else if (op < 93) {
      MarkRandomRow();
    } else {
      // A change of word wrap ends the history: check it first.
      res.failure = UndoAllRedoAll();
      ++res.undoAllChecks;
      if (!res.failure.empty()) return;
      std::string text = s.ListToStr();
      TEditorWrapOption& o = s.WrapOption();
      // A UTF-8 run now and then reads its bytes as the other encoding and
      // back, as reopening a file does: the rows are cut anew.
      const int change = Rand(0, utf8_ ? 6 : 5);
      if (trace) std::fprintf(stderr, "wrap option change %d\n", change);
      switch (change) {
        case 0: s.SetWordWrap(!s.WordWrap()); break;
        case 1: o.SetWrapByte(Rand(15, 60)); break;
        case 2: o.SetFollowRetMark(!o.FollowRetMark()); break;
        case 3: o.SetLeading(!o.Leading()); break;
        case 4: o.SetWordBreak(!o.WordBreak()); break;
        case 5: o.SetFollowPunctuation(!o.FollowPunctuation()); break;
        default:
          s.SetEncoding(s.Encoding() == TextEncoding::Utf8 ? TextEncoding::Cp932 : TextEncoding::Utf8);
          break;
      }
      if (s.ListToStr() != text) res.failure = "re-wrapping changed the text";
      // An option change with word wrap off keeps the history.
      if (!s.UndoObj().CanUndo() && !s.UndoObj().CanRedo()) StartHistory();
    }
  }

  void MarkRandomRow() {
    TEditorScreenStrings& s = *f_.store;
    if (s.Count() == 0) return;
    int m = Rand(0, 15);
    TRowMarks bit = static_cast<TRowMarks>(1u << m);
    if (m < 10)
      for (int r = 0; r < s.Count(); ++r)
        if (s.RowMarks(r) & bit) return;  // unique marks stand on one row
    int row = Rand(0, s.Count() - 1);
    s.SetListRowMarks(row, static_cast<TRowMarks>(s.RowMarks(row) | bit));
  }

  std::string UndoAllRedoAll() {
    TEditorScreenStrings& s = *f_.store;
    std::string final = texts_[static_cast<std::size_t>(pos_)];
    while (s.UndoObj().CanUndo()) s.Undo();
    if (s.ListToStr() != base_) return "undo-all did not give back the text";
    std::string e = Check();
    if (!e.empty()) return "after undo-all: " + e;
    for (std::size_t k = 1; s.UndoObj().CanRedo(); ++k) {
      s.Redo();
      if (k >= texts_.size() || s.ListToStr() != texts_[k])
        return "redo " + std::to_string(k) + " of " + std::to_string(texts_.size() - 1) +
               " gave [" + Show(s.ListToStr()) + "] not [" +
               (k < texts_.size() ? Show(texts_[k]) : std::string("-")) + "]";
    }
    if (s.ListToStr() != texts_.back()) return "redo-all did not give back the final text";
    // Back to where the run stood.
    for (int k = static_cast<int>(texts_.size()) - 1; k > pos_; --k) s.Undo();
    if (s.ListToStr() != final) return "undo after redo-all lost the place";
    return Check();
  }

  std::string Check() {
    TEditorScreenStrings& s = *f_.store;
    std::string e = CheckInvariants(s);
    if (e.empty()) e = WrapCutFault(s);
    if (!e.empty()) return e;
    // Marks: never on more than one row for rm0..rm9, always valid.
    TRowMarks seen = 0;
    for (int r = 0; r < s.Count(); ++r) {
      TRowMarks m = s.RowMarks(r);
      if (m & seen & 0x3FF) return "a unique mark on two rows";
      seen |= m;
    }
    if (seen & ~s.ValidRowMarks()) return "a row carries a mark that is not valid";
    // Computed states equal a computation from the top.
    CommentParser p(nullptr);
    TRowAttributeData d;
    for (int r = 0; r < s.UncomputedFrom(); ++r) {
      d.PrevRowAttribute = r == 0 ? raCrlf : s.Rows(r - 1);
      d.RowAttribute = s.Rows(r);
      if (s.Brackets(r) != d.Brackets || s.PrevRows(r) != d.PrevRowAttribute)
        return "stale tokenizer state at row " + std::to_string(r);
      p.LastTokenBracket(r, s, d);
    }
    // With word wrap on, every logical line is cut as a fresh cut would cut
    // it. Not with WordBreak or Leading: their cuts look at the rest of the
    // line, and an edit re-cuts only from the row before the edited one.
    if (s.WordWrap() && !s.WrapOption().WordBreak() && !s.WrapOption().Leading()) {
      TWrapRules rules = TWrapRules::From(s.WrapOption(), f_.client.tabs, nullptr, s.Encoding());
      std::vector<int> cuts;
      for (int r = 0; r < s.Count();) {
        int end = s.RowEnd(r);
        std::string line;
        for (int k = r; k <= end; ++k) line += s.Get(k);
        cuts.clear();
        CutLine(line, rules, cuts);
        bool same = static_cast<int>(cuts.size()) == end - r + 1;
        for (int k = 0; same && k < static_cast<int>(cuts.size()); ++k)
          same = cuts[static_cast<std::size_t>(k)] == static_cast<int>(s.Get(r + k).size());
        if (!same) {
          std::string got, want;
          for (int k = r; k <= end; ++k) got += std::to_string(s.Get(k).size()) + " ";
          for (int c : cuts) want += std::to_string(c) + " ";
          return "line at row " + std::to_string(r) + " is not cut as a fresh cut: rows " + got +
                 "fresh " + want + "W=" + std::to_string(rules.Columns.WrapByte) +
                 (rules.FollowRetMark ? " ret" : "") + (rules.Leading ? " lead" : "") +
                 (rules.WordBreak ? " word" : "") + (rules.FollowPunctuation ? " punct" : "") +
                 " line [" + Show(line) + "]";
        }
        r = end + 1;
      }
    }
    return {};
  }

  static std::string RowsOf(const TEditorScreenStrings& s) {
    std::string o;
    for (int r = 0; r < s.Count(); ++r) o += std::string(s.Get(r)) + "|" + std::to_string(s.Rows(r)) + "\n";
    return o;
  }
  static std::string Show(const std::string& t) {
    std::string o;
    for (unsigned char ch : t) {
      if (ch == '\r') o += "\\r"; else if (ch == '\n') o += "\\n"; else if (ch < 32 || ch > 126) { char b[8]; std::snprintf(b, sizeof b, "<%02X>", ch); o += b; } else o += static_cast<char>(ch);
    }
    return o;
  }
 public:
  bool trace = std::getenv("TOLVAN_FUZZ_TRACE") != nullptr;
 private:
  std::mt19937 rng_;
  Fixture f_;
  CommentScheme scheme_;
  std::string base_;
  std::vector<std::string> texts_;
  int pos_ = 0;
  bool utf8_ = false;
};

}  // namespace tolvan::test
