// The component stream: the golden factory scheme, every value encoding,
// round trips and the refusal of malformed streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "colouring/component_stream.h"
#include "colouring/editor_fountain.h"
#include "colouring/scheme_store.h"

namespace tolvan {
namespace {

// Reads the annotated byte listing: hex pairs, "quoted ASCII", # remarks.
std::string ReadByteListing(const std::string& name) {
  const char* dir = std::getenv("TOLVAN_TEST_DATA");
  std::ifstream in(std::string(dir ? dir : "tests/colouring/data") + "/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::string out, line;
  while (std::getline(in, line)) {
    for (std::size_t i = 0; i < line.size();) {
      const char c = line[i];
      if (c == '#') break;
      if (c == '"') {
        const std::size_t end = line.find('"', i + 1);
        out += line.substr(i + 1, end - i - 1);
        i = end + 1;
      } else if (std::isxdigit(static_cast<unsigned char>(c))) {
        out += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        i += 2;
      } else {
        ++i;
      }
    }
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  std::ostringstream os;
  for (unsigned char b : bytes) os << "0123456789ABCDEF"[b >> 4] << "0123456789ABCDEF"[b & 15] << ' ';
  return os.str();
}

// The bytes one property adds to the stream of a fresh awk scheme.
std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int x : b) s += static_cast<char>(x);
  return s;
}

TEST(ComponentStream, EditorFactorySchemeMatchesTheHandDerivedBytes) {
  const std::string expected = ReadByteListing("editor_factory_scheme.txt");
  ASSERT_GT(expected.size(), 600u);
  auto scheme = CreateEditorSettingsGawkScheme();
  const std::string actual = WriteComponentStream(*scheme);
  EXPECT_EQ(Hex(actual), Hex(expected));

  // And the same bytes read into a main-window scheme give the factory values.
  auto other = CreateMainWindowGawkScheme();
  ReadComponentStream(expected, *other);
  EXPECT_EQ(other->ReserveWordList(), scheme->ReserveWordList());
  EXPECT_EQ(other->Field().Style(), FontStyleBit(fsBold));
  EXPECT_EQ(other->Str().Color(), clGray);
  EXPECT_EQ(WriteComponentStream(*other), expected);
}

TEST(ComponentStream, IntegersTakeTheSmallestForm) {
  TGawkFountain s;
  s.SetName("G");
  const std::string plain = WriteComponentStream(s);
  const std::string prefix = std::string("TPF0\x0DTGawkFountain\x01G", 20);
  ASSERT_EQ(plain.substr(0, prefix.size()), prefix);
  auto tagBytes = [&](std::int32_t tag) {
    s.SetTag(tag);
    const std::string out = WriteComponentStream(s);
    // "Tag" follows the header directly.
    EXPECT_EQ(out.substr(prefix.size(), 4), std::string("\x03Tag", 4));
    return out.substr(prefix.size() + 4, out.size() - plain.size() - 4);
  };
  EXPECT_EQ(tagBytes(5), Bytes({2, 5}));
  EXPECT_EQ(tagBytes(-1), Bytes({2, 0xFF}));
  EXPECT_EQ(tagBytes(127), Bytes({2, 0x7F}));
  EXPECT_EQ(tagBytes(128), Bytes({3, 0x80, 0}));
  EXPECT_EQ(tagBytes(-128), Bytes({2, 0x80}));
  EXPECT_EQ(tagBytes(-129), Bytes({3, 0x7F, 0xFF}));
  EXPECT_EQ(tagBytes(32767), Bytes({3, 0xFF, 0x7F}));
  EXPECT_EQ(tagBytes(32768), Bytes({4, 0x00, 0x80, 0, 0}));
  EXPECT_EQ(tagBytes(-32768), Bytes({3, 0x00, 0x80}));
  EXPECT_EQ(tagBytes(-32769), Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(tagBytes(40000), Bytes({4, 0x40, 0x9C, 0, 0}));
  EXPECT_EQ(tagBytes(-40000), Bytes({4, 0xC0, 0x63, 0xFF, 0xFF}));
  s.SetTag(0);
  EXPECT_EQ(WriteComponentStream(s), plain);
}

// Each integer form reads back signed, on both sides of each form's range.
TEST(ComponentStream, IntegersReadBackWithTheirSign) {
  for (std::int32_t v : {0, 1, -1, 127, 128, -128, -129, -300, 255, 256, 32767, 32768, -32767, -32768,
                         -32769, 65535, -65536, 2147483647, -2147483647 - 1}) {
    TGawkFountain a;
    a.SetTag(v);
    TGawkFountain b;
    ReadComponentStream(WriteComponentStream(a), b);
    EXPECT_EQ(b.Tag(), v);
  }
  // The 16-bit form written by another writer for a value that would fit in
  // one byte still reads signed.
  TGawkFountain a;
  a.SetTag(300);
  std::string out = WriteComponentStream(a);
  const std::size_t at = out.find(std::string("\x03Tag\x03\x2C\x01", 7));
  ASSERT_NE(at, std::string::npos);
  out.replace(at + 4, 3, std::string("\x03\xFF\xFF", 3));
  TGawkFountain b;
  ReadComponentStream(out, b);
  EXPECT_EQ(b.Tag(), -1);
}

TEST(ComponentStream, ColoursByNameOrNumberAndStyleSets) {
  TGawkFountain s;
  auto valueOf = [&](const std::string& prop) {
    const std::string out = WriteComponentStream(s);
    const std::string key = static_cast<char>(prop.size()) + prop;
    const std::size_t at = out.find(key);
    EXPECT_NE(at, std::string::npos) << prop;
    return out.substr(at + key.size());
  };
  s.Ank().SetColor(0x123456);
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 5), Bytes({4, 0x56, 0x34, 0x12, 0}));
  s.Ank().SetColor(0x81);
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 3), Bytes({3, 0x81, 0}));
  s.Ank().SetColor(0x7F);
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 2), Bytes({2, 0x7F}));
  s.Ank().SetColor(clWhite);
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 9), std::string("\x07\x07" "clWhite"));
  s.Ank().SetColor(static_cast<TColor>(0x8000000F));
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 11), std::string("\x07\x09" "clBtnFace"));
  s.Ank().SetColor(0xC0DCC0);  // no name in the table
  EXPECT_EQ(valueOf("Ank.Color").substr(0, 5), Bytes({4, 0xC0, 0xDC, 0xC0, 0}));
  s.Ank().SetStyle(FontStyleBit(fsStrikeOut) | FontStyleBit(fsBold) | FontStyleBit(fsUnderline));
  EXPECT_EQ(valueOf("Ank.Style").substr(0, 33),
            std::string("\x0B\x06" "fsBold" "\x0B" "fsUnderline" "\x0B" "fsStrikeOut" "\x00", 33));

  std::string ident;
  TColor c = 0;
  for (TColor v : {clBlack, clNavy, clSilver, clNone, static_cast<TColor>(0x80000018)}) {
    ASSERT_TRUE(ColorToIdent(v, ident));
    ASSERT_TRUE(IdentToColor(ident, c));
    EXPECT_EQ(c, v) << ident;
  }
  EXPECT_FALSE(IdentToColor("clMoneyGreen", c));
}

TEST(ComponentStream, BracketItemsAreAListEach) {
  TGawkFountain s;
  auto* item = s.Brackets().Add();
  item->SetLeftBracket("/*");
  item->SetRightBracket("*/");
  item->ItemColor().SetColor(clRed);
  s.Brackets().Add()->SetLeftBracket("//");
  const std::string out = WriteComponentStream(s);
  const std::string expected =
      std::string("\x08" "Brackets" "\x0E", 10) +
      "\x01" "\x0BLeftBracket" "\x06\x02/*" "\x0CRightBracket" "\x06\x02*/" +
      "\x11ItemColor.BkColor" "\x07\x06" "clNone" "\x0FItemColor.Color" "\x07\x05" "clRed" +
      std::string("\x0FItemColor.Style" "\x0B\x00" "\x00", 19) +
      "\x01" "\x0BLeftBracket" "\x06\x02//" +
      "\x11ItemColor.BkColor" "\x07\x06" "clNone" "\x0FItemColor.Color" "\x07\x06" "clNone" +
      std::string("\x0FItemColor.Style" "\x0B\x00" "\x00" "\x00", 20);
  EXPECT_NE(out.find(expected), std::string::npos) << Hex(out);
}

TEST(ComponentStream, RoundTripsEveryValueKind) {
  TGawkFountain a;
  a.SetName("Scheme9");
  a.SetTag(-70000);
  a.DesignLeft = 120;
  a.DesignTop = 65533;  // an unsigned half: -3 as the framework stores it
  a.FileExtList().Add(".gawk");
  auto* item = a.Brackets().Add();
  item->SetLeftBracket(std::string(300, 'L'));  // a long string
  item->SetRightBracket("\x81\x41");
  item->ItemColor().SetBkColor(0x010203);
  a.Reserve().SetStyle(FontStyleBit(fsItalic));
  a.ReserveWordList().Add("\x8A\xBF\x8E\x9A");
  a.Field().SetBkColor(static_cast<TColor>(0x80000005));
  const std::string out = WriteComponentStream(a);
  EXPECT_NE(out.find(std::string("\x0C\x2C\x01\x00\x00", 5) + std::string(300, 'L')), std::string::npos);
  EXPECT_NE(out.find(std::string("\x04Left\x02\x78\x03Top\x04\xFD\xFF\x00\x00\x00\x00", 18)), std::string::npos);

  TGawkFountain b;
  ReadComponentStream(out, b);
  EXPECT_EQ(b.Name(), "Scheme9");
  EXPECT_EQ(b.Tag(), -70000);
  EXPECT_EQ(b.DesignLeft, 120);
  EXPECT_EQ(b.DesignTop, 65533);
  EXPECT_EQ(b.FileExtList(), a.FileExtList());
  ASSERT_EQ(b.Brackets().Count(), 1);
  EXPECT_EQ(b.Brackets().BracketItems(0)->LeftBracket(), std::string(300, 'L'));
  EXPECT_EQ(b.Brackets().BracketItems(0)->RightBracket(), "\x81\x41");
  EXPECT_EQ(b.Brackets().BracketItems(0)->ItemColor().BkColor(), 0x010203);
  EXPECT_EQ(b.ReserveWordList(), a.ReserveWordList());
  EXPECT_EQ(WriteComponentStream(b), out);
}

TEST(ComponentStream, EditorSchemeWritesBooleansAndSkipsEmptyStrings) {
  TEditorFountain a;
  a.SetQuotation("'");
  a.SetUrl(true);
  const std::string out = WriteComponentStream(a);
  EXPECT_NE(out.find(std::string("\x0B" "ControlCode" "\x08", 13)), std::string::npos);
  EXPECT_NE(out.find(std::string("\x03Url\x09", 5)), std::string::npos);
  EXPECT_NE(out.find(std::string("\x09Quotation\x06\x01'", 13)), std::string::npos);
  EXPECT_EQ(out.find("Commenter"), std::string::npos);
  EXPECT_NE(out.find("Colors.Select.BkColor"), std::string::npos);
  EXPECT_NE(out.find("Colors.Reserve.Color"), std::string::npos);
  TEditorFountain b;
  ReadComponentStream(out, b);
  EXPECT_EQ(b.Quotation(), "'");
  EXPECT_TRUE(b.Url());
  EXPECT_FALSE(b.Mail());
  EXPECT_EQ(WriteComponentStream(b), out);
}

TEST(ComponentStream, ReaderAcceptsWhatTheFrameworkAccepts) {
  // Lower-case names, a colour as a number, item order numbers, a boolean
  // as an identifier, and a stored list replacing the whole list.
  std::string s = std::string("TPF0\x0DTGawkFountain\x01X", 20);
  s += "\x0D" "reserve.COLOR" + Bytes({4, 0x56, 0x34, 0x12, 0});
  s += std::string("\x08" "Brackets" "\x0E" "\x02\x00" "\x01" "\x0BLeftBracket" "\x06\x01<" "\x00" "\x00", 30);
  s += std::string("\x17ReserveWordList.Strings" "\x01" "\x06\x01z" "\x06\x01" "A" "\x00", 32);
  s += std::string("\x00\x00", 2);
  TGawkFountain g;
  ReadComponentStream(s, g);
  EXPECT_EQ(g.Reserve().Color(), 0x123456);
  ASSERT_EQ(g.Brackets().Count(), 1);
  EXPECT_EQ(g.Brackets().BracketItems(0)->LeftBracket(), "<");
  EXPECT_EQ(g.ReserveWordList().Strings(), (std::vector<std::string>{"A", "z"}));

  TEditorFountain e;
  std::string t = std::string("TPF0\x0FTEditorFountain\x01" "E", 22);
  t += std::string("\x04Mail\x07\x04True\x00\x00", 13);
  ReadComponentStream(t, e);
  EXPECT_TRUE(e.Mail());
}

// Each malformed stream raises EReadError and leaves the scheme as it was.
TEST(ComponentStream, MalformedStreamsChangeNothing) {
  auto base = CreateEditorSettingsGawkScheme();
  const std::string good = WriteComponentStream(*base);
  const std::string header = std::string("TPF0\x0DTGawkFountain\x01X", 20);
  const std::string end("\x00\x00", 2);
  std::string fifteen = header + "\x08" "Brackets" "\x0E";
  for (int i = 0; i < 15; ++i) fifteen += std::string("\x01\x00", 2);
  fifteen += std::string("\x00", 1) + end;

  const std::vector<std::pair<std::string, std::string>> cases{
      {"wrong signature", "TPF1" + good.substr(4)},
      {"empty after signature", "TPF0"},
      {"unknown property", header + "\x05" "Bogus" + Bytes({2, 1}) + end},
      {"unknown nested property", header + "\x0DReserve.Bogus" + Bytes({2, 1}) + end},
      {"a collection as path", header + "\x0B" "Brackets.Xy" + Bytes({2, 1}) + end},
      {"wrong value type for a colour", header + "\x0DReserve.Color" + "\x06\x01x" + end},
      {"wrong value type for a style", header + "\x0DReserve.Style" + Bytes({2, 1}) + end},
      {"unknown colour name", header + "\x0DReserve.Color" + "\x07\x07" "clBlues" + end},
      {"unknown style name", header + "\x0DReserve.Style" + "\x0B\x06" "fsBolt" + std::string("\x00", 1) + end},
      {"value to an object", header + "\x07Reserve" + Bytes({2, 1}) + end},
      {"string past the end", header + "\x09" "Ank.Color" + "\x07\x40" "clNone" + end},
      {"long string past the end", header + "\x13" "FileExtList.Strings" + "\x01\x0C\xFF\xFF\xFF\x7F" "ab"},
      {"name past the end", header + "\x40" "Reserve"},
      {"child component", header + std::string("\x00", 1) + "\x0DTGawkFountain\x01Y" + end},
      {"sixteen bit integer cut", header + "\x03Tag" + Bytes({3, 1})},
      {"fifteen brackets", fifteen},
      {"no end of list", good.substr(0, good.size() - 1)},
  };
  for (const auto& [what, bytes] : cases) {
    TGawkFountain g;
    g.Comment().SetColor(0xFFFF00);
    const std::string before = WriteComponentStream(g);
    EXPECT_THROW(ReadComponentStream(bytes, g), EReadError) << what;
    EXPECT_EQ(WriteComponentStream(g), before) << what;
  }
  // Every truncation of a good stream.
  for (std::size_t n = 0; n < good.size(); ++n) {
    TGawkFountain g;
    const std::string before = WriteComponentStream(g);
    EXPECT_THROW(ReadComponentStream(good.substr(0, n), g), EReadError) << n;
    ASSERT_EQ(WriteComponentStream(g), before) << n;
  }
}

}  // namespace
}  // namespace tolvan
