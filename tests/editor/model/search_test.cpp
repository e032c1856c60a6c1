#include "editor/model/search.h"

#include <gtest/gtest.h>

#include <random>

#include "core/codepage.h"

namespace tolvan {
namespace {

std::string J(const char* utf8) { return cp932::FromUtf8(utf8).bytes; }

constexpr TSearchOptions kDown = SearchBit(sfrDown);

struct Hit {
  bool found;
  int start;
  int length;
};

Hit Find(const std::string& buf, const std::string& pat, TSearchOptions o, int start = 0,
         int length = 0) {
  TSearchInfo info{start, length};
  bool ok = SearchText(buf, info, pat, o);
  return {ok, ok ? info.Start : -1, ok ? info.Length : -1};
}

bool operator==(const Hit& a, const Hit& b) {
  return a.found == b.found && a.start == b.start && a.length == b.length;
}
std::ostream& operator<<(std::ostream& os, const Hit& h) {
  return os << (h.found ? "found " : "none ") << h.start << "+" << h.length;
}

TEST(SearchText, ForwardStartsAfterThePreviousMatch) {
  std::string buf = "one two one two";
  Hit h = Find(buf, "two", kDown);
  EXPECT_EQ(h, (Hit{true, 4, 3}));
  EXPECT_EQ(Find(buf, "two", kDown, h.start, h.length), (Hit{true, 12, 3}));
  EXPECT_FALSE(Find(buf, "two", kDown, 12, 3).found);
  EXPECT_FALSE(Find(buf, "", kDown).found);
  EXPECT_FALSE(Find("", "a", kDown).found);
  EXPECT_FALSE(Find(buf, "one", kDown, -1).found);
  EXPECT_FALSE(Find(buf, "one", kDown, 99).found);
  EXPECT_FALSE(Find(buf, "one", kDown, 0, -1).found);
}

TEST(SearchText, BackwardFindsTheNearestEarlierMatch) {
  std::string buf = "ab\r\nab\r\nab";
  EXPECT_EQ(Find(buf, "ab", 0, 8), (Hit{true, 4, 2}));
  EXPECT_EQ(Find(buf, "ab", 0, 4), (Hit{true, 0, 2}));
  EXPECT_FALSE(Find(buf, "ab", 0, 1).found);
  EXPECT_EQ(Find(buf, "ab", 0, static_cast<int>(buf.size())), (Hit{true, 8, 2}));
}

TEST(SearchText, CaseFoldingOfBothWidths) {
  EXPECT_EQ(Find("xx abc", "ABC", kDown), (Hit{true, 3, 3}));
  EXPECT_FALSE(Find("xx abc", "ABC", kDown | SearchBit(sfrMatchCase)).found);
  EXPECT_TRUE(Find("xx abc", "abc", kDown | SearchBit(sfrMatchCase)).found);
  // Full-width Latin, Greek and Cyrillic letters fold too.
  EXPECT_TRUE(Find(J("ａｂｃ"), J("ＡＢＣ"), kDown).found);
  EXPECT_TRUE(Find(J("xαβγ"), J("ΑΒΓ"), kDown).found);
  EXPECT_TRUE(Find(J("яблоко"), J("ЯБЛОКО"), kDown).found);
  EXPECT_FALSE(Find(J("яблоко"), J("ЯБЛОКО"), kDown | SearchBit(sfrMatchCase)).found);
  // The two codes of the small roman numerals are one character.
  EXPECT_TRUE(Find("\xEE\xEF", "\xFA\x40", kDown).found);
  // Full-width letters match half-width ones only with sfrNoMatchZenkaku.
  EXPECT_FALSE(Find(J("ＡＢＣ"), "ABC", kDown).found);
  EXPECT_EQ(Find("x" + J("ａｂｃ"), "ABC", kDown | SearchBit(sfrNoMatchZenkaku)), (Hit{true, 1, 6}));
}

// Every letter of the full-width Latin, Greek and Cyrillic alphabets finds
// its other case and only that; the codes just past each alphabet fold to
// nothing.
TEST(SearchText, CaseFoldingCoversWholeAlphabetsAndNothingBeyond) {
  struct Alphabet {
    char32_t upperFirst, upperLast, lowerFirst, lowerLast;
  };
  const Alphabet alphabets[] = {
      {0xFF21, 0xFF3A, 0xFF41, 0xFF5A},  // Ａ..Ｚ, ａ..ｚ
      {0x0391, 0x03A9, 0x03B1, 0x03C9},  // Α..Ω, α..ω
      {0x0410, 0x042F, 0x0430, 0x044F},  // А..Я, а..я
  };
  auto code = [](char32_t cp) {
    int c = cp932::EncodeChar(cp);
    return c < 0 ? std::string() : std::string{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  };
  int pairs = 0;
  for (const Alphabet& a : alphabets) {
    std::vector<std::pair<std::string, std::string>> letters;  // (upper, lower)
    for (char32_t u = a.upperFirst, l = a.lowerFirst; u <= a.upperLast; ++u, ++l) {
      std::string U = code(u), L = code(l);
      if (U.empty() || L.empty()) continue;  // Greek has no capital final sigma
      letters.push_back({U, L});
    }
    for (std::size_t i = 0; i < letters.size(); ++i) {
      const auto& [U, L] = letters[i];
      SCOPED_TRACE("letter " + std::to_string(i) + " of alphabet U+" + std::to_string(a.upperFirst));
      EXPECT_EQ(Find("x" + U, L, kDown), (Hit{true, 1, 2}));
      EXPECT_EQ(Find("x" + L, U, kDown), (Hit{true, 1, 2}));
      EXPECT_EQ(Find("x" + U, L, 0, 3), (Hit{true, 1, 2}));
      EXPECT_FALSE(Find("x" + U, L, kDown | SearchBit(sfrMatchCase)).found);
      for (std::size_t j : {i - 1, i + 1}) {
        if (j >= letters.size()) continue;
        EXPECT_FALSE(Find(letters[j].first, L, kDown).found);
        EXPECT_FALSE(Find(letters[j].second, U, kDown).found);
      }
      ++pairs;
    }
  }
  EXPECT_EQ(pairs, 26 + 24 + 32);
  // Ё and ё stand apart from the rest of the Cyrillic block.
  EXPECT_TRUE(Find(J("xЁ"), J("ё"), kDown).found);
  EXPECT_TRUE(Find(J("xё"), J("Ё"), kDown).found);
  // Codes just past an alphabet's lower case are nobody's lower case.
  EXPECT_FALSE(Find("\x82\x80", "\x82\x5F", kDown).found);
  EXPECT_FALSE(Find("\x82\x9B", "\x82\x7A", kDown).found);
  EXPECT_FALSE(Find("\x83\xBE", "\x83\x9E", kDown).found);
  EXPECT_FALSE(Find("\x83\xD7", "\x83\xB7", kDown).found);
  EXPECT_FALSE(Find("\x84\x6F", "\x84\x3F", kDown).found);
  EXPECT_FALSE(Find("\x84\x92", "\x84\x61", kDown).found);
  // Single-byte letters: a..z only, not the signs beside them.
  EXPECT_TRUE(Find("A", "a", kDown).found);
  EXPECT_TRUE(Find("Z", "z", kDown).found);
  EXPECT_FALSE(Find("@", "`", kDown).found);
  EXPECT_FALSE(Find("[", "{", kDown).found);
}

TEST(SearchText, FullWidthHalfWidthEquivalence) {
  TSearchOptions z = kDown | SearchBit(sfrNoMatchZenkaku);
  // ｶﾞ (two single bytes) is ガ.
  EXPECT_EQ(Find("x\xB6\xDE", J("ガ"), z), (Hit{true, 1, 2}));
  EXPECT_EQ(Find(J("xガ"), "\xB6\xDE", z), (Hit{true, 1, 2}));
  EXPECT_TRUE(Find("\xCA\xDF", J("パ"), z).found);
  EXPECT_TRUE(Find("\xB3\xDE", J("ヴ"), z).found);
  EXPECT_FALSE(Find("\xB6\xDE", J("カ"), z).found);
  EXPECT_TRUE(Find(J("ｱｲｳ"), J("アイウ"), z).found);
  EXPECT_TRUE(Find("a b", J("ａ　ｂ"), z).found);
  EXPECT_TRUE(Find("\\", J("￥"), z).found);
  EXPECT_FALSE(Find("\xB6\xDE", J("ガ"), kDown).found);
  EXPECT_EQ(ToZenkaku("A\xB6\xDE"), J("Ａガ"));
  // Backwards, a kana with its sound mark counts as one character.
  EXPECT_EQ(Find("\xB6\xDE\xB6\xDE", J("ガ"), SearchBit(sfrNoMatchZenkaku), 4), (Hit{true, 2, 2}));
}

TEST(SearchText, NeverStartsOnATrailByte) {
  // ソ is 0x83 0x5C: its trail byte is a backslash.
  std::string buf = J("ソ") + "\\";
  EXPECT_EQ(Find(buf, "\\", kDown), (Hit{true, 2, 1}));
  EXPECT_EQ(Find(J("ソ"), "\\", kDown).found, false);
  EXPECT_FALSE(Find(J("ソ"), "\\", 0, 2).found);
  // A start inside a character moves past it.
  EXPECT_EQ(Find(J("アア"), J("ア"), kDown, 1), (Hit{true, 2, 2}));
}

TEST(SearchText, WholeWord) {
  TSearchOptions w = kDown | SearchBit(sfrWholeWord);
  EXPECT_EQ(Find("a_b", "a", w), (Hit{true, 0, 1}));
  EXPECT_FALSE(Find("ba", "a", w).found);
  EXPECT_EQ(Find("ba a", "a", w), (Hit{true, 3, 1}));
  EXPECT_FALSE(Find("abc", "ab", w).found);
  EXPECT_EQ(Find("x.ab.", "ab", w), (Hit{true, 2, 2}));
  EXPECT_EQ(Find("ab ab", "ab", SearchBit(sfrWholeWord), 5), (Hit{true, 3, 2}));
  EXPECT_FALSE(Find("xab ab", "ab", SearchBit(sfrWholeWord), 3).found);
}

// ソ is 0x83 0x5C and ー is 0x81 0x5B: their trail bytes are delimiters when
// they stand alone, but a trail byte is part of its character, never a word
// boundary.
TEST(SearchText, WholeWordNeverTakesATrailByteForADelimiter) {
  const TSearchOptions down = kDown | SearchBit(sfrWholeWord);
  const TSearchOptions up = SearchBit(sfrWholeWord);
  for (const char* before : {"ソ", "ー"}) {
    const std::string text = J(before) + "ab";
    EXPECT_FALSE(Find(text, "ab", down).found) << before;
    EXPECT_FALSE(Find(text, "ab", up, 4).found) << before;
    EXPECT_FALSE(Find(text + " ab", "ab", up, 4).found) << before;
    EXPECT_EQ(Find(text + " ab", "ab", down), (Hit{true, 5, 2})) << before;
  }
  // The same bytes standing alone are delimiters.
  EXPECT_EQ(Find("\\ab", "ab", down), (Hit{true, 1, 2}));
  EXPECT_EQ(Find("[ab", "ab", up, 3), (Hit{true, 1, 2}));
  // A double-byte character whose trail byte is a letter is no boundary either.
  EXPECT_FALSE(Find(J("アab"), "ab", down).found);
}

TEST(SearchText, SkippingLineBreaksAndSpaces) {
  std::string buf = "xa\r\nb";
  EXPECT_FALSE(Find(buf, "ab", kDown).found);
  EXPECT_EQ(Find(buf, "ab", kDown | SearchBit(sfrIncludeCRLF)), (Hit{true, 1, 4}));
  EXPECT_EQ(Find("a \t" + J("　") + "b", "ab", kDown | SearchBit(sfrIncludeSpace)), (Hit{true, 0, 6}));
  EXPECT_FALSE(Find("a b", "ab", kDown | SearchBit(sfrIncludeCRLF)).found);
  // Skipping happens only after the first matched character.
  EXPECT_EQ(Find("\r\nab", "ab", kDown | SearchBit(sfrIncludeCRLF)), (Hit{true, 2, 2}));
}

}  // namespace
}  // namespace tolvan

namespace tolvan {
namespace {

// Exact search against a plain character-by-character reference, on texts
// full of trail bytes that look like ASCII (ソ is 0x83 0x5C).
TEST(SearchText, MatchesAReferenceOnRandomTexts) {
  std::mt19937 rng(17);
  const char* const alphabet[] = {"a", "\\", "\x83\x5C", "\x82\xA0", "b", "\x83"};
  auto pick = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += alphabet[std::uniform_int_distribution<int>(0, 5)(rng)];
    return s;
  };
  // Characters as the code page cuts them.
  auto chars = [](const std::string& s) {
    std::vector<std::pair<int, std::string>> out;
    for (std::size_t i = 0; i < s.size();) {
      std::size_t n = cp932::CharLength(s, i);
      out.push_back({static_cast<int>(i), s.substr(i, n)});
      i += n;
    }
    return out;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string buf = pick(std::uniform_int_distribution<int>(1, 12)(rng));
    std::string pat = pick(std::uniform_int_distribution<int>(1, 3)(rng));
    auto bc = chars(buf);
    auto pc = chars(pat);
    int start = std::uniform_int_distribution<int>(0, static_cast<int>(buf.size()))(rng);
    bool down = round % 2 == 0;
    int expect = -1;
    for (std::size_t i = 0; i < bc.size(); ++i) {
      int at = bc[i].first;
      if (down ? at < start : at > start - static_cast<int>(pat.size())) continue;
      bool ok = i + pc.size() <= bc.size();
      for (std::size_t k = 0; ok && k < pc.size(); ++k) ok = bc[i + k].second == pc[k].second;
      if (ok && (expect < 0 || !down)) expect = at;
      if (ok && down) break;
    }
    TSearchInfo info{start, 0};
    bool found = SearchText(buf, info, pat, SearchBit(sfrMatchCase) | (down ? kDown : 0));
    ASSERT_EQ(found ? info.Start : -1, expect) << "round " << round << (down ? " down" : " up");
  }
}

}  // namespace
}  // namespace tolvan
