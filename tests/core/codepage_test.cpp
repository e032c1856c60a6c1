#include "core/codepage.h"
#include "core/encoding.h"

#include <gtest/gtest.h>

#include <map>

using namespace tolvan;

namespace {
std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}
std::u16string U(std::string_view bytes) { return cp932::ToUtf16(bytes); }
}  // namespace

TEST(CodePageBytes, LeadByteRanges) {
  for (int b = 0; b < 256; ++b) {
    bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(cp932::IsLeadByte(static_cast<unsigned char>(b)), expected) << b;
  }
}

TEST(CodePageBytes, SteppingNeverSplitsADoubleByteCharacter) {
  // "aソb" with ソ = 83 5C, then a lone lead byte at the end.
  std::string s = B({'a', 0x83, 0x5C, 'b', 0x81});
  EXPECT_EQ(cp932::NextChar(s, 0), 1u);
  EXPECT_EQ(cp932::NextChar(s, 1), 3u);
  EXPECT_EQ(cp932::NextChar(s, 3), 4u);
  EXPECT_EQ(cp932::NextChar(s, 4), 5u);  // lone lead byte stands alone
  EXPECT_EQ(cp932::CharStart(s, 2), 1u);
  EXPECT_TRUE(cp932::IsTrailByteAt(s, 2));
  EXPECT_FALSE(cp932::IsTrailByteAt(s, 3));
  EXPECT_EQ(cp932::PrevChar(s, 3), 1u);
  EXPECT_EQ(cp932::PrevChar(s, 1), 0u);
  // A trail byte that looks like a lead byte: 88 9F is one character, so
  // byte 2 (0x81) starts the next one.
  std::string t = B({0x88, 0x9F, 0x81, 0x40});
  EXPECT_EQ(cp932::CharStart(t, 1), 0u);
  EXPECT_EQ(cp932::CharStart(t, 3), 2u);
  EXPECT_EQ(cp932::DisplayWidth(t), 4u);
  EXPECT_EQ(cp932::DisplayWidth(s), 5u);
  EXPECT_EQ(cp932::DisplayWidth(B({0xB1, 0xB2})), 2u);  // half-width kana: 1 column each
}

TEST(CodePageDecode, MappingsThatTellCp932FromPlainShiftJis) {
  EXPECT_EQ(U("\\~"), u"\\~");                       // not yen sign and overline
  EXPECT_EQ(U(B({0x81, 0x5F})), u"\uFF3C");          // full-width reverse solidus
  EXPECT_EQ(U(B({0x81, 0x60})), u"\uFF5E");          // full-width tilde
  EXPECT_EQ(U(B({0x81, 0x61})), u"\u2225");
  EXPECT_EQ(U(B({0x81, 0x7C})), u"\uFF0D");
  EXPECT_EQ(U(B({0x81, 0x91, 0x81, 0x92, 0x81, 0xCA})), u"\uFFE0\uFFE1\uFFE2");
  EXPECT_EQ(U(B({0x82, 0xA0})), u"\u3042");          // あ
  EXPECT_EQ(U(B({0x83, 0x5C, 0x95, 0x5C})), u"ソ表");
  EXPECT_EQ(U(B({0x87, 0x40})), u"\u2460");          // NEC row 13 ①
  EXPECT_EQ(U(B({0xB1})), u"\uFF71");                // half-width ｱ
  // Control bytes come through unchanged (Qt's decoder swaps 1A, 1C and 7F).
  EXPECT_EQ(U(B({0x00, 0x1A, 0x1C, 0x7F})), std::u16string(u"\0\x1A\x1C\x7F", 4));
}

TEST(CodePageDecode, InvalidBytesBecomeVisibleReplacements) {
  const char16_t R = 0xFFFD;
  EXPECT_EQ(U(B({0x80})), std::u16string(1, R));
  EXPECT_EQ(U(B({0xA0})), std::u16string(1, R));
  EXPECT_EQ(U(B({'a', 0xFD, 0xFE, 0xFF})), (std::u16string{u'a', R, R, R}));
  EXPECT_EQ(U(B({'a', 0x82})), (std::u16string{u'a', R}));  // lone lead byte at the end
  // Lead byte then an invalid trail: the lead is replaced, the next byte
  // stands for itself.
  EXPECT_EQ(U(B({0x82, 0x20, 'x'})), (std::u16string{R, u' ', u'x'}));
  EXPECT_EQ(cp932::ToUtf8(B({0x80, 'z'})), "\xEF\xBF\xBDz");
  // Decoding never alters its input.
  std::string s = B({0x80, 0x82, 0x20, 0xFD});
  std::string copy = s;
  cp932::ToUtf8(s);
  cp932::ToUtf16(s);
  EXPECT_EQ(s, copy);
}

TEST(CodePageDecode, EveryDoubleByteCodeDecodesToOneCharacterThatEncodesStably) {
  int decodable = 0;
  int landsElsewhere = 0;
  std::map<int, int> canonical;  // non-canonical code -> canonical code
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!cp932::IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      std::string code = B({lead, trail});
      std::u16string u = U(code);
      if (u[0] == 0xFFFD) {
        // Only trail bytes outside 40-7E, 80-FC can be invalid... or an
        // unassigned code; either way the next byte decodes on its own.
        EXPECT_EQ(u.size(), 2u) << std::hex << lead << trail;
        continue;
      }
      ++decodable;
      ASSERT_GE(trail, 0x40);
      ASSERT_TRUE(u.size() == 1 || (u.size() == 2 && u[0] >= 0xD800 && u[0] < 0xDC00));
      auto back = cp932::FromUtf16(u);
      ASSERT_TRUE(back.ok) << std::hex << lead << trail;
      ASSERT_EQ(back.bytes.size(), 2u);
      // The canonical code decodes to the same character.
      EXPECT_EQ(U(back.bytes), u);
      if (back.bytes != code) {
        ++landsElsewhere;
        canonical[(lead << 8) | trail] = (static_cast<unsigned char>(back.bytes[0]) << 8) |
                                         static_cast<unsigned char>(back.bytes[1]);
      }
    }
  }
  EXPECT_EQ(landsElsewhere, 398);
  EXPECT_GT(decodable, 7900);
  // The three families: NEC row 13 duplicates of JIS symbols, NEC-selected
  // IBM extensions (ED/EE) and IBM extensions (FA-FC) that land in row 13.
  EXPECT_EQ(canonical[0x8790], 0x81E0);  // ≒
  EXPECT_EQ(canonical[0x879A], 0x81E6);  // ∵
  EXPECT_EQ(canonical[0xED40], 0xFA5C);  // 纊
  EXPECT_EQ(canonical[0xEEF9], 0x81CA);  // ￢
  EXPECT_EQ(canonical[0xFA4A], 0x8754);  // Ⅰ
  EXPECT_EQ(canonical.count(0x8754), 0u);  // row 13's Ⅰ is itself canonical
}

TEST(CodePageDecode, NonCanonicalCodesSurviveInByteStrings) {
  // A byte string holding codes whose round trip would change them keeps
  // them through every byte-level operation.
  std::string s = B({0x87, 0x90, 0xED, 0x40, 0xEE, 0xF9, 0xFA, 0x4A, 'x'});
  const std::string original = s;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); i = cp932::NextChar(s, i)) ++chars;
  EXPECT_EQ(chars, 5u);
  EXPECT_EQ(cp932::DisplayWidth(s), 9u);
  EXPECT_EQ(U(s), u"≒纊￢Ⅰx");
  EXPECT_EQ(s, original);
  // Encoding the decoded text picks the canonical codes instead.
  EXPECT_EQ(cp932::FromUtf16(U(s)).bytes, B({0x81, 0xE0, 0xFA, 0x5C, 0x81, 0xCA, 0x87, 0x54, 'x'}));
}

TEST(CodePageEncode, ReportsTheCharacterItCannotHold) {
  auto r = cp932::FromUtf8("ab\xF0\x9F\x98\x80" "c\xC3\xA9");  // emoji, é
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failedChar, U'\U0001F600');
  EXPECT_EQ(r.failedIndex, 2u);
  auto r16 = cp932::FromUtf16(u"表\u00E9");
  EXPECT_FALSE(r16.ok);
  EXPECT_EQ(r16.failedChar, U'\u00E9');
  EXPECT_EQ(r16.failedIndex, 1u);
  auto ok = cp932::FromUtf8("表ソ\\~ｱ");
  EXPECT_TRUE(ok.ok);
  EXPECT_EQ(ok.bytes, B({0x95, 0x5C, 0x83, 0x5C, '\\', '~', 0xB1}));
  EXPECT_EQ(cp932::EncodeChar(U'\u00A5'), -1);  // yen sign is not 0x5C here
  auto bad = cp932::FromUtf8("\xE3\x81");     // truncated UTF-8
  EXPECT_FALSE(bad.ok);
}

TEST(CodePageEncode, JisMappedCharactersTakeTheirCodePageCodes) {
  // What Linux input methods give, against what the code page decodes the
  // same bytes to: encoding takes both, decoding stays, bytes round-trip.
  const struct { char16_t jis; int code; char16_t decoded; } cases[] = {
      {u'\u301C', 0x8160, u'\uFF5E'}, {u'\u2016', 0x8161, u'\u2225'}, {u'\u2212', 0x817C, u'\uFF0D'},
      {u'\u00A2', 0x8191, u'\uFFE0'}, {u'\u00A3', 0x8192, u'\uFFE1'}, {u'\u00AC', 0x81CA, u'\uFFE2'},
      {u'\u2014', 0x815C, u'\u2015'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.jis));
    const std::string bytes = B({'1', c.code >> 8, c.code & 0xFF});
    EXPECT_EQ(cp932::FromUtf16(u"1" + std::u16string(1, c.jis)).bytes, bytes);
    std::string utf8 = "1";
    utf8::AppendCodePoint(utf8, c.jis);
    EXPECT_EQ(Convert(TextEncoding::Utf8, TextEncoding::Cp932, utf8).bytes, bytes);  // a script converted
    EXPECT_EQ(U(bytes), u"1" + std::u16string(1, c.decoded));
    EXPECT_EQ(cp932::FromUtf16(U(bytes)).bytes, bytes);
  }
}
