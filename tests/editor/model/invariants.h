// The row store's invariants, checked after every step of the randomized
// tests. Returns an empty string when they all hold.
#pragma once

#include <string>

#include "core/codepage.h"
#include "editor/model/screen_strings.h"
#include "editor/model/wrap.h"

namespace tolvan::test {

inline std::string CheckInvariants(const TEditorScreenStrings& s) {
  const int n = s.Count();
  const int W = const_cast<TEditorScreenStrings&>(s).WrapOption().WrapByte();
  TColumnRules rules = s.ColumnRules();
  bool uncomputedSeen = false;
  for (int r = 0; r < n; ++r) {
    const std::string_view t = s.Get(r);
    TRowAttribute a = s.Rows(r);
    std::string where = "row " + std::to_string(r) + ": ";
    // A store with its own line end keeps lone CR and LF bytes, never a CR LF.
    if (s.OwnLineEnd() ? t.find("\r\n") != std::string::npos
                       : t.find('\r') != std::string::npos || t.find('\n') != std::string::npos)
      return where + "holds a line break";
    if (a == raInvalid) return where + "raInvalid";
    if (a == raEof && r != n - 1) return where + "raEof before the last row";
    if (r == n - 1 && a == raWrapped) return where + "last row is wrapped";
    if (!s.WordWrap() && a == raWrapped) return where + "wrapped with word wrap off";
    if (a == raWrapped) {
      if (t.empty()) return where + "empty wrapped row";
      // The cut never splits a double-byte character of the logical line.
      // (The randomized tests check UTF-8 rows through the encoding.)
      if (s.Encoding() == TextEncoding::Cp932) {
        // A lead byte that ends its line is a character of its own.
        const bool lineGoesOn = r + 1 < n && !s.Get(r + 1).empty();
        bool lastIsLone = lineGoesOn && cp932::IsLeadByte(t.back()) && !cp932::IsTrailByteAt(t, t.size() - 1);
        if (lastIsLone) return where + "wrapped row ends on a lead byte";
        if (ExpandTabLength(t, rules) > W + 3) return where + "wrapped row too wide";
      }
    }
    TRowAttribute prev = r == 0 ? raCrlf : s.Rows(r - 1);
    int b = s.Brackets(r);
    if (r >= s.UncomputedFrom()) {
      if (b != -2) return where + "computed state inside the uncomputed tail";
    }
    if (b == -2) {
      uncomputedSeen = true;
    } else if (!uncomputedSeen && s.PrevRows(r) != prev) {
      return where + "PrevRows does not match the row before";
    }
  }
  return {};
}

}  // namespace tolvan::test
