#include "core/encoding.h"
#include "core/encoding_detector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tolvan;

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

constexpr TextEncoding U8 = TextEncoding::Utf8;
constexpr TextEncoding SJ = TextEncoding::Cp932;

// The characters of s as (start, length, width), walking forward.
struct Ch {
  std::size_t start, length, width;
  bool operator==(const Ch&) const = default;
};
std::vector<Ch> Walk(TextEncoding e, std::string_view s) {
  std::vector<Ch> out;
  for (std::size_t i = 0; i < s.size(); i = NextChar(e, s, i)) out.push_back({i, CharLength(e, s, i), CharWidth(e, s, i)});
  return out;
}

}  // namespace

TEST(Utf8Sequences, WellFormedBoundaries) {
  struct Case {
    std::string bytes;
    std::size_t length;  // 0: ill-formed at byte 0
  };
  const Case cases[] = {
      {"a", 1},
      {B({0x7F}), 1},
      {B({0xC2, 0x80}), 2},         // first two-byte code point
      {B({0xC1, 0xBF}), 0},         // overlong
      {B({0xC0, 0x80}), 0},         // overlong NUL
      {B({0xDF, 0xBF}), 2},
      {B({0xE0, 0xA0, 0x80}), 3},   // U+0800
      {B({0xE0, 0x9F, 0xBF}), 0},   // overlong three-byte
      {B({0xED, 0x9F, 0xBF}), 3},   // U+D7FF
      {B({0xED, 0xA0, 0x80}), 0},   // surrogate D800
      {B({0xEF, 0xBF, 0xBF}), 3},
      {B({0xF0, 0x90, 0x80, 0x80}), 4},
      {B({0xF0, 0x8F, 0xBF, 0xBF}), 0},  // overlong four-byte
      {B({0xF4, 0x8F, 0xBF, 0xBF}), 4},  // U+10FFFF
      {B({0xF4, 0x90, 0x80, 0x80}), 0},  // past U+10FFFF
      {B({0xF5, 0x80, 0x80, 0x80}), 0},
      {B({0x80}), 0},                    // continuation alone
      {B({0xE6, 0x97}), 0},              // cut short at the end
      {B({0xE6, 0x97, 0x41}), 0},        // cut short by ASCII
      {B({0xFF}), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8::SequenceLength(c.bytes, 0), c.length) << testing::PrintToString(c.bytes);
}

TEST(Utf8Sequences, DecodeAndAppendRoundTrip) {
  for (char32_t cp : {U'\0', U'A', U'\u00E9', U'\u07FF', U'\u0800', U'\u65E5', U'\uFFFF', U'\U00010000',
                      U'\U0001F600', U'\U0010FFFF'}) {
    std::string s;
    utf8::AppendCodePoint(s, cp);
    ASSERT_EQ(utf8::SequenceLength(s, 0), s.size()) << static_cast<unsigned>(cp);
    EXPECT_EQ(utf8::DecodeSequence(s, 0, s.size()), cp);
  }
}

TEST(Utf8Widths, FromTheCUtf8Table) {
  struct Case {
    char32_t cp;
    int width;
  };
  const Case cases[] = {
      {U'a', 1},        {U'\t', 1},        {U'\0', 1},         {U'\u00E9', 1},  // é
      {U'\u0301', 0},   {U'\u200D', 0},    {U'\uFE0F', 0},     // combining acute, ZWJ, VS16
      {U'\u65E5', 2},   {U'\u3042', 2},    {U'\uFF21', 2},     // 日 あ Ａ
      {U'\uFF71', 1},   {U'\U0001F600', 2},{U'\u0085', 1},     // ｱ, emoji, C1 control
      {U'\u3000', 2},   {U'\u2460', 1},                         // ideographic space, ① (ambiguous: narrow)
  };
  for (const Case& c : cases) EXPECT_EQ(utf8::CodePointWidth(c.cp), c.width) << std::hex << static_cast<unsigned>(c.cp);
}

TEST(Utf8Characters, StepsWidthsAndJoins) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Ch> chars;
  };
  const std::string e_acute = "e\xCC\x81";  // e + U+0301
  const Case cases[] = {
      {"ascii", "ab", {{0, 1, 1}, {1, 1, 1}}},
      {"kanji", "日本", {{0, 3, 2}, {3, 3, 2}}},
      {"two-byte", "\xC3\xA9x", {{0, 2, 1}, {2, 1, 1}}},
      {"four-byte", "\xF0\x9F\x98\x80!", {{0, 4, 2}, {4, 1, 1}}},
      {"combining joins ASCII", e_acute + "x", {{0, 3, 1}, {3, 1, 1}}},
      {"two marks join", "a\xCC\x81\xCC\xA3" "b", {{0, 5, 1}, {5, 1, 1}}},
      {"mark joins kanji", "日\xEF\xB8\x8F", {{0, 6, 2}}},
      {"zwj sequence", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", {{0, 7, 2}, {7, 4, 2}}},
      {"mark at start stands alone", "\xCC\x81" "a", {{0, 2, 1}, {2, 1, 1}}},
      {"marks at start stay together", "\xCC\x81\xCC\x81" "a", {{0, 4, 1}, {4, 1, 1}}},
      {"mark after tab stands alone", "\t\xCC\x81", {{0, 1, 1}, {1, 2, 1}}},
      {"mark after invalid byte stands alone", B({0xFF, 0xCC, 0x81}), {{0, 1, 1}, {1, 2, 1}}},
      {"invalid bytes one each", B({0xE6, 0x97, 'a', 0x80, 0xFF}), {{0, 1, 1}, {1, 1, 1}, {2, 1, 1}, {3, 1, 1}, {4, 1, 1}}},
      {"cut sequence then whole one", B({0xE6, 0x97, 0xE6, 0x97, 0xA5}), {{0, 1, 1}, {1, 1, 1}, {2, 3, 2}}},
      {"surrogate bytes stay single", B({0xED, 0xA0, 0x80}), {{0, 1, 1}, {1, 1, 1}, {2, 1, 1}}},
      {"NUL", std::string("\0\xE3\x81\x82", 4), {{0, 1, 1}, {1, 3, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Walk(U8, c.text), c.chars);
    // Every byte inside a character leads back to its start, and the step
    // back from each start lands on the character before.
    for (std::size_t k = 0; k < c.chars.size(); ++k) {
      const Ch& ch = c.chars[k];
      for (std::size_t b = ch.start; b < ch.start + ch.length; ++b) {
        EXPECT_EQ(CharStart(U8, c.text, b), ch.start) << "byte " << b;
        EXPECT_EQ(InsideChar(U8, c.text, b), b != ch.start) << "byte " << b;
      }
      EXPECT_EQ(PrevChar(U8, c.text, ch.start), k == 0 ? 0 : c.chars[k - 1].start);
    }
    std::size_t width = 0;
    for (const Ch& ch : c.chars) width += ch.width;
    EXPECT_EQ(DisplayWidth(U8, c.text), width);
  }
}

TEST(Cp932Characters, TheSameQuestionsAnswerAsTheCodePage) {
  // "aソｱ" then a trail byte that looks like a lead, then a lone lead byte.
  const std::string s = B({'a', 0x83, 0x5C, 0xB1, 0x88, 0x9F, 0x81});
  EXPECT_EQ(Walk(SJ, s), (std::vector<Ch>{{0, 1, 1}, {1, 2, 2}, {3, 1, 1}, {4, 2, 2}, {6, 1, 1}}));
  EXPECT_EQ(CharStart(SJ, s, 5), 4u);
  EXPECT_EQ(CharStart(SJ, s, 2), 1u);
  EXPECT_EQ(DisplayWidth(SJ, s), 7u);
  EXPECT_TRUE(IsValidChar(SJ, s, 1));
  EXPECT_TRUE(IsValidChar(SJ, s, 3));
  EXPECT_FALSE(IsValidChar(SJ, s, 6));  // lone lead byte at the end
  EXPECT_FALSE(IsValidChar(SJ, B({0xA0}), 0));
  EXPECT_TRUE(IsValidChar(SJ, std::string(1, '\0'), 0));
}

TEST(EncodingRuns, AsciiRunsStopBeforeACharacterThatIsMore) {
  struct Case {
    TextEncoding e;
    std::string text;
    std::size_t from, end;
  };
  const Case cases[] = {
      {U8, "abc", 0, 3},
      {U8, "ab日", 0, 2},
      {U8, "abe\xCC\x81", 0, 2},  // 'e' carries the mark
      {U8, "e\xCC\x81", 0, 0},
      {U8, "日ab", 3, 5},
      {SJ, B({'a', 'b', 0x83, 0x5C}), 0, 2},
      {SJ, B({'a', 0xB1}), 0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(AsciiRunEnd(c.e, c.text, c.from), c.end) << testing::PrintToString(c.text);
}

TEST(EncodingColumns, ColumnToByteLandsOnCharacterStarts) {
  const std::string u = "a日e\xCC\x81" "b";  // columns: a=0, 日=1-2, é=3, b=4
  const std::size_t expectU[] = {0, 1, 1, 4, 7, 8, 8};
  for (std::size_t col = 0; col < std::size(expectU); ++col) EXPECT_EQ(ColumnToByte(U8, u, col), expectU[col]) << col;
  const std::string c = B({'a', 0x93, 0xFA, 'b'});  // a 日 b
  const std::size_t expectC[] = {0, 1, 1, 3, 4};
  for (std::size_t col = 0; col < std::size(expectC); ++col) EXPECT_EQ(ColumnToByte(SJ, c, col), expectC[col]) << col;
}

TEST(EncodingConversion, DecodeShowsInvalidBytesAsReplacement) {
  EXPECT_EQ(ToUtf16(U8, "日本"), u"日本");
  EXPECT_EQ(ToUtf16(U8, B({'a', 0xE6, 0x97, 'b'})), u"a\uFFFD\uFFFDb");
  EXPECT_EQ(ToUtf16(U8, "\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(ToUtf8(U8, B({0xFF})), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf16(SJ, B({0x93, 0xFA})), u"日");
  EXPECT_EQ(DecodeChar(U8, "x日", 1), U'日');
  EXPECT_EQ(DecodeChar(U8, B({0x80}), 0), cp932::kReplacement);
}

TEST(EncodingConversion, EncodeIntoEachEncoding) {
  EncodeResult r = FromUtf16(U8, u"日本語\U0001F600");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.bytes, "日本語\xF0\x9F\x98\x80");
  // UTF-8 holds what CP932 cannot.
  EXPECT_TRUE(FromUtf16(U8, u"\u00E9\u0301").ok);
  EXPECT_FALSE(FromUtf16(SJ, u"\U0001F600").ok);
  // A lone surrogate is no character.
  r = FromUtf16(U8, std::u16string(u"a") + char16_t(0xD800) + u"b");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failedIndex, 1u);
  r = FromUtf8(U8, B({'a', 0xC0, 0x80}));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failedIndex, 1u);
  r = FromUtf8(SJ, "ソ");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.bytes, B({0x83, 0x5C}));
}

TEST(EncodingConversion, ConvertRefusesWhatTheOtherCannotHold) {
  struct Case {
    TextEncoding from, to;
    std::string in;
    bool ok;
    std::string out;
    std::size_t failedIndex;
    char32_t failedChar;
  };
  const Case cases[] = {
      {SJ, U8, B({'a', 0x83, 0x5C, 0xB1}), true, "aソｱ", 0, 0},
      {SJ, U8, B({'a', 0x87, 0x40}), true, "a①", 0, 0},
      {SJ, U8, std::string("\0x", 2), true, std::string("\0x", 2), 0, 0},
      {SJ, U8, B({'a', 'b', 0xA0}), false, "", 2, cp932::kReplacement},  // invalid CP932 byte
      {U8, SJ, "aソｱ", true, B({'a', 0x83, 0x5C, 0xB1}), 0, 0},
      {U8, SJ, "ab\xF0\x9F\x98\x80", false, "", 2, U'\U0001F600'},
      {U8, SJ, "x\xC3\xA9", false, "", 1, U'\u00E9'},
      {U8, SJ, B({'x', 0xFF}), false, "", 1, cp932::kReplacement},
      {U8, U8, B({0xFF}), true, B({0xFF}), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    EncodeResult r = Convert(c.from, c.to, c.in);
    EXPECT_EQ(r.ok, c.ok);
    if (c.ok) {
      EXPECT_EQ(r.bytes, c.out);
    } else {
      EXPECT_EQ(r.failedIndex, c.failedIndex);
      EXPECT_EQ(r.failedChar, c.failedChar);
    }
  }
}

TEST(EncodingValidity, WholeTexts) {
  EXPECT_TRUE(IsValidText(U8, "日本 abc"));
  EXPECT_FALSE(IsValidText(U8, B({'a', 0xE6, 0x97})));
  EXPECT_TRUE(IsValidText(SJ, B({0x93, 0xFA, 'a'})));
  EXPECT_FALSE(IsValidText(SJ, B({'a', 0xFD})));
  EXPECT_FALSE(IsValidText(SJ, B({'a', 0x93})));
}

TEST(EncodingNames, ParseAndName) {
  EXPECT_EQ(ParseEncodingName("utf-8"), U8);
  EXPECT_EQ(ParseEncodingName("UTF8"), U8);
  EXPECT_EQ(ParseEncodingName("cp932"), SJ);
  EXPECT_EQ(ParseEncodingName("Shift_JIS"), SJ);
  EXPECT_FALSE(ParseEncodingName("latin1").has_value());
  EXPECT_FALSE(ParseEncodingName("").has_value());
  EXPECT_STREQ(EncodingName(U8), "UTF-8");
  EXPECT_STREQ(EncodingName(SJ), "CP932");
}

TEST(EncodingDetection, BomValidUtf8OrCp932) {
  struct Case {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    bool bom;
    bool ascii = false;
  };
  const Case cases[] = {
      {"empty", "", SJ, false, true},
      {"pure ASCII is the same in both", "BEGIN { print }\n", SJ, false, true},
      {"BOM alone", std::string(kUtf8Bom), U8, true},
      {"BOM over ASCII", std::string(kUtf8Bom) + "x", U8, true},
      {"BOM over bytes that are not UTF-8", std::string(kUtf8Bom) + B({0x93, 0xFA}), U8, true},
      {"valid UTF-8 with Japanese", "# 日本語\n", U8, false},
      {"valid UTF-8 at the very end", "abc\xC3\xA9", U8, false},
      {"CP932 Japanese", B({'#', ' ', 0x93, 0xFA, 0x96, 0x7B}), SJ, false},
      {"half-width kana alone", B({0xB1, 0xB2}), SJ, false},
      {"UTF-8 spoilt by one CP932 byte", "日本" + B({0x83, 0x5C}), SJ, false},
      {"cut UTF-8 at the end", "日本" + B({0xE8, 0xAA}), SJ, false},
      // 0xE3 0x81 0x82 is あ in UTF-8, and "繧" + a lead byte in CP932: the
      // rule reads such bytes as UTF-8.
      {"CP932 that is valid UTF-8", B({0xE3, 0x81, 0x82}), U8, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DetectedText d = DetectEncoding(c.bytes);
    EXPECT_EQ(d.encoding, c.encoding);
    EXPECT_EQ(d.bom, c.bom);
    EXPECT_EQ(d.ascii, c.ascii);
  }
}

// Fed in pieces, the detector answers as DetectEncoding of the whole text,
// wherever the pieces are cut: every cut into three pieces of each case.
TEST(EncodingDetection, PiecesDecideAsTheWholeText) {
  struct Case {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    bool bom, ascii = false;
  };
  const std::string bom(kUtf8Bom);
  const Case cases[] = {
      {"a mark", bom + "ab", U8, true},
      {"a mark alone, cut", bom.substr(0, 2), SJ, false},
      {"mark bytes inside, then CP932", "ab" + bom + B({0x95, 0x5C}), SJ, false},
      {"mark bytes inside, then ASCII", "ab" + bom + "c", U8, false},
      {"three-byte UTF-8", "a日b", U8, false},
      {"four-byte UTF-8", "\xF0\x9F\x98\x80x", U8, false},
      {"CP932 pairs", B({'a', 0x82, 0xA0, 0x95, 0x5C}), SJ, false},
      {"UTF-8 cut at the end", "a" + B({0xE6, 0x97}), SJ, false},
      {"a lead byte then ASCII", B({'a', 0xE6, 'b', 'c', 'd'}), SJ, false},
      {"ASCII", "abc\r\n", SJ, false, true},
      {"nothing", "", SJ, false, true},
  };
  const auto expectSame = [](const DetectedText& got, const DetectedText& want) {
    EXPECT_EQ(got.encoding, want.encoding);
    EXPECT_EQ(got.bom, want.bom);
    EXPECT_EQ(got.ascii, want.ascii);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DetectedText whole = DetectEncoding(c.bytes);
    expectSame(whole, DetectedText{c.encoding, c.bom, c.ascii});
    const std::string_view v(c.bytes);
    for (std::size_t i = 0; i <= v.size(); ++i) {
      for (std::size_t j = i; j <= v.size(); ++j) {
        SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
        EncodingDetector d;
        d.Feed(v.substr(0, i));
        d.Feed(v.substr(i, j - i));
        d.Feed(v.substr(j));
        expectSame(d.Result(), whole);
      }
    }
  }
  // Random texts of such fragments, cut at random.
  const std::string fragments[] = {bom, "a", "\n", "日", "\xF0\x9F\x98\x80", B({0x82, 0xA0}), B({0xE6}), B({0x97}), B({0xB1})};
  std::uint32_t seed = 12345;
  const auto next = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::uint32_t parts = next(12);
    for (std::uint32_t k = 0; k < parts; ++k) text += fragments[next(9)];
    EncodingDetector d;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t n = std::min<std::size_t>(text.size() - at, next(5));
      d.Feed(std::string_view(text).substr(at, n));
      at += n;
    }
    SCOPED_TRACE(testing::PrintToString(text));
    expectSame(d.Result(), DetectEncoding(text));
  }
}

TEST(EncodingDetection, FirstLineEndFound) {
  struct Case {
    std::string bytes;
    LineEnd end;
  };
  const Case cases[] = {
      {"", LineEnd::CrLf},        {"no end", LineEnd::CrLf}, {"a\r\nb\nc", LineEnd::CrLf},
      {"a\nb\r\n", LineEnd::Lf},  {"a\rb\r\n", LineEnd::Cr}, {"a\r", LineEnd::Cr},
      {"\n", LineEnd::Lf},
  };
  for (const Case& c : cases) EXPECT_EQ(DetectLineEnd(c.bytes), c.end) << testing::PrintToString(c.bytes);
  EXPECT_EQ(LineEndBytes(LineEnd::CrLf), "\r\n");
  EXPECT_EQ(LineEndBytes(LineEnd::Lf), "\n");
  EXPECT_EQ(LineEndBytes(LineEnd::Cr), "\r");
  EXPECT_STREQ(LineEndName(LineEnd::Lf), "LF");
  EXPECT_STREQ(LineEndName(LineEnd::CrLf), "CR LF");  // as the documents spell it
}

// Random texts from fragments that meet at every kind of edge: the
// backward questions (start of the character holding a byte, the step back)
// must agree with the forward walk everywhere, in both encodings.
TEST(EncodingWalks, BackwardAgreesWithForwardOnRandomTexts) {
  const std::vector<std::string> fragments = {
      "a", "\t", " ", "日", "\xCC\x81", "\xE2\x80\x8D", "\xEF\xB8\x8F", "\xF0\x9F\x98\x80", "\xC3\xA9",
      B({0x80}), B({0xFF}), B({0xE6, 0x97}), B({0xF0, 0x9F}), B({0xED, 0xA0, 0x80}), B({0x83, 0x5C}),
      B({0x81}), B({0xB1}), std::string(1, '\0'), "\x7F",
  };
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    const int parts = 1 + static_cast<int>(next() % 8);
    for (int k = 0; k < parts; ++k) s += fragments[(next() >> 8) % fragments.size()];
    for (TextEncoding e : {U8, SJ}) {
      SCOPED_TRACE(testing::PrintToString(s) + (e == U8 ? " UTF-8" : " CP932"));
      const std::vector<Ch> chars = Walk(e, s);
      std::size_t width = 0, bytes = 0;
      for (std::size_t k = 0; k < chars.size(); ++k) {
        const Ch& c = chars[k];
        ASSERT_GE(c.length, 1u);
        ASSERT_TRUE(c.width == 1 || c.width == 2);
        for (std::size_t b = c.start; b < c.start + c.length; ++b) ASSERT_EQ(CharStart(e, s, b), c.start) << b;
        ASSERT_EQ(PrevChar(e, s, c.start), k == 0 ? 0 : chars[k - 1].start);
        ASSERT_EQ(ColumnToByte(e, s, width), c.start);
        width += c.width;
        bytes += c.length;
      }
      ASSERT_EQ(bytes, s.size());
      ASSERT_EQ(DisplayWidth(e, s), width);
      ASSERT_EQ(ColumnToByte(e, s, width), s.size());
    }
  }
}
