// What the randomized tests of the model and the control check about
// characters, asked of the encoding interface and never of the code under
// test: where each character of a row starts and how wide it is, how many
// bytes of a text belong to no well-formed character, and that word wrap
// cuts only between characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"
#include "editor/model/screen_strings.h"
#include "editor/model/wrap.h"

namespace tolvan::test {

// The start byte and start column of each character of a row, tabs
// expanded, and the row's width.
struct RowCells {
  std::vector<int> byte, col;
  int width = 0;
  // Index of the character whose columns hold c; -1 past the end.
  int CharAtColumn(int c) const {
    int lo = 0, hi = static_cast<int>(col.size()) - 1, found = -1;
    if (c >= width) return -1;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      if (col[static_cast<std::size_t>(mid)] <= c) found = mid, lo = mid + 1;
      else hi = mid - 1;
    }
    return found;
  }
};

inline RowCells CellsOf(TextEncoding e, std::string_view row, const TColumnRules& rules) {
  RowCells cells;
  int c = 0;
  for (std::size_t i = 0; i < row.size();) {
    cells.byte.push_back(static_cast<int>(i));
    cells.col.push_back(c);
    if (row[i] == '\t') {
      c += TabWidthAt(c, rules);
      ++i;
    } else {
      c += static_cast<int>(CharWidth(e, row, i));
      i += CharLength(e, row, i);
    }
  }
  cells.width = c;
  return cells;
}

// True when byte pos of s is the first byte of a character or the end.
inline bool OnCharStart(TextEncoding e, std::string_view s, std::size_t pos) {
  return pos == s.size() || (pos < s.size() && !InsideChar(e, s, pos));
}

// UTF-8: bytes that belong to no well-formed sequence. A well-formed
// sequence stays one whatever is put before or after it, so edits that
// keep characters whole never raise this count beyond what they insert.
inline int IllFormedBytes(std::string_view s) {
  int bad = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = utf8::SequenceLength(s, i);
    if (n == 0) ++bad, ++i;
    else i += n;
  }
  return bad;
}

// With word wrap on, in the store's encoding: every cut between two rows of
// a logical line falls between characters of that line, and a row is no
// wider than the wrap width and the three hanging columns, unless it is one
// character. Empty when that holds. One walk per line: it runs after every
// step of the randomized tests.
inline std::string WrapCutFault(const TEditorScreenStrings& s) {
  if (!s.WordWrap()) return {};
  const TextEncoding e = s.Encoding();
  const TColumnRules rules = s.ColumnRules();
  const int count = s.Count();
  std::string line;
  for (int r = 0; r < count;) {
    int end = r;
    line.assign(s.Get(r));
    while (s.Rows(end) == raWrapped && end + 1 < count) line += s.Get(++end);
    std::size_t i = 0;
    for (int k = r; k <= end; ++k) {
      const std::size_t rowEnd = i + s.Get(k).size();
      int col = 0, chars = 0;
      while (i < rowEnd) {
        // An ASCII byte that no mark follows is one column.
        if (static_cast<unsigned char>(line[i]) < 0x80 && line[i] != '\t' &&
            (i + 1 == line.size() || static_cast<unsigned char>(line[i + 1]) < 0x80)) {
          ++col, ++i, ++chars;
          continue;
        }
        col += line[i] == '\t' ? TabWidthAt(col, rules) : static_cast<int>(CharWidth(e, line, i));
        i += line[i] == '\t' ? 1 : CharLength(e, line, i);
        ++chars;
      }
      if (i != rowEnd)
        return "word wrap cut row " + std::to_string(k) + " inside a character at byte " +
               std::to_string(rowEnd) + " of its line";
      if (col > rules.WrapByte + 3 && chars > 1)
        return "row " + std::to_string(k) + " is " + std::to_string(col) + " columns wide, wrap width " +
               std::to_string(rules.WrapByte);
    }
    r = end + 1;
  }
  return {};
}

}  // namespace tolvan::test
