// A scheme in the settings file: the hexadecimal line layout, surplus keys,
// damaged values, and the main window's load-or-store step.
#include <gtest/gtest.h>

#include "colouring/component_stream.h"
#include "colouring/ini_stream.h"
#include "colouring/scheme_store.h"
#include "core/files.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

class StoredScheme : public ::testing::Test {
 protected:
  test::TempDir dir;
  IniFile ini{dir / "tolvan.INI"};
};

TEST_F(StoredScheme, ThirtyThreeBytesMakeTwoLines) {
  const std::string stream(33, '\xAB');
  ASSERT_TRUE(IniWriteStream(stream, ini, "property", "S"));
  EXPECT_EQ(ini.ReadString("property", "S_c", ""), "2");
  std::string line0;
  for (int i = 0; i < 32; ++i) line0 += "AB";
  EXPECT_EQ(ini.ReadString("property", "S_d0", ""), line0);
  EXPECT_EQ(ini.ReadString("property", "S_d1", ""), "AB");
  EXPECT_EQ(IniReadStream(ini, "property", "S"), stream);
}

TEST_F(StoredScheme, LinesAreUpperCaseHexMostSignificantFirst) {
  EXPECT_EQ(StreamToStrings("abc"), std::vector<std::string>{"616263"});
  EXPECT_EQ(StreamToStrings(std::string("\x00\x0F\xF0", 3)), std::vector<std::string>{"000FF0"});
  EXPECT_TRUE(StreamToStrings("").empty());
  // Reading takes either case, and a lone last digit is a byte of its own.
  EXPECT_EQ(StringsToStream({"6162", "6a", "F"}), std::string("ab\x6A\x0F"));
  EXPECT_THROW(StringsToStream({"61G2"}), EReadError);
  EXPECT_THROW(StringsToStream({"6 "}), EReadError);
}

TEST_F(StoredScheme, AShorterValueRemovesTheSurplusKeys) {
  ini.WriteString("property", "Other", "keep");
  ASSERT_TRUE(IniWriteStream(std::string(100, 'x'), ini, "property", "S"));  // 4 lines
  EXPECT_TRUE(ini.KeyExists("property", "S_d3"));
  ASSERT_TRUE(IniWriteStream(std::string(40, 'y'), ini, "property", "S"));  // 2 lines
  EXPECT_EQ(ini.ReadString("property", "S_c", ""), "2");
  EXPECT_TRUE(ini.KeyExists("property", "S_d1"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d2"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d3"));
  EXPECT_EQ(IniReadStream(ini, "property", "S"), std::string(40, 'y'));
  // An empty stream removes the count key and every data key.
  ASSERT_TRUE(IniWriteStream("", ini, "property", "S"));
  EXPECT_FALSE(ini.KeyExists("property", "S_c"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d0"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d1"));
  EXPECT_EQ(ini.ReadString("property", "Other", ""), "keep");
  EXPECT_EQ(IniReadStream(ini, "property", "S"), "");
}

TEST_F(StoredScheme, ADamagedHugeCountStillLetsAWriteClearUp) {
  ini.WriteString("property", "S_c", "2000000000");
  ini.WriteString("property", "S_d0", "00");
  ini.WriteString("property", "S_d1", "00");
  ASSERT_TRUE(IniWriteStream("", ini, "property", "S"));
  EXPECT_FALSE(ini.KeyExists("property", "S_c"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d0"));
  EXPECT_FALSE(ini.KeyExists("property", "S_d1"));
}

TEST_F(StoredScheme, MissingDataKeysReadAsEmpty) {
  ini.WriteString("property", "S_c", "3");
  ini.WriteString("property", "S_d0", "41");
  ini.WriteString("property", "S_d2", "42");
  EXPECT_EQ(IniReadStream(ini, "property", "S"), "AB");
}

TEST_F(StoredScheme, CountKeysThatHoldNothingLeaveTheSchemeUnchanged) {
  auto scheme = CreateMainWindowGawkScheme();
  scheme->Comment().SetColor(clRed);
  const std::string before = WriteComponentStream(*scheme);
  for (const char* count : {"0", "-3", "many", ""}) {
    ini.WriteString("property", "GawkFountain_c", count);
    ini.WriteString("property", "GawkFountain_d0", "5450");
    EXPECT_NO_THROW(LoadStoredGawkScheme(ini, *scheme)) << count;
    EXPECT_EQ(WriteComponentStream(*scheme), before) << count;
  }
}

TEST_F(StoredScheme, DamagedValuesRaiseAndChangeNothing) {
  auto stored = CreateEditorSettingsGawkScheme();
  ASSERT_TRUE(StoreGawkScheme(ini, *stored));
  const std::string good0 = ini.ReadString("property", "GawkFountain_d0", "");
  const int count = ini.ReadInteger("property", "GawkFountain_c", 0);
  ASSERT_GT(count, 10);

  auto scheme = CreateMainWindowGawkScheme();
  const std::string before = WriteComponentStream(*scheme);
  auto expectRefused = [&](const char* what) {
    try {
      LoadStoredGawkScheme(ini, *scheme);
      ADD_FAILURE() << what << ": no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("cannot be read"), std::string::npos) << e.what();
    }
    EXPECT_EQ(WriteComponentStream(*scheme), before) << what;
  };

  ini.WriteString("property", "GawkFountain_d0", "5450463X" + good0.substr(8));
  expectRefused("invalid hex digit");
  ini.WriteString("property", "GawkFountain_d0", "5450463100" + good0.substr(10));
  expectRefused("wrong signature");
  ini.WriteString("property", "GawkFountain_d0", good0);
  ini.WriteInteger("property", "GawkFountain_c", count - 1);
  expectRefused("truncated");
  ini.WriteInteger("property", "GawkFountain_c", 1000000);
  expectRefused("huge count");
  ini.WriteInteger("property", "GawkFountain_c", count);
  LoadStoredGawkScheme(ini, *scheme);
  EXPECT_EQ(WriteComponentStream(*scheme), WriteComponentStream(*stored));
}

TEST_F(StoredScheme, FirstStartStoresTheBuiltInSchemeAndCreatesTheFile) {
  ASSERT_FALSE(ini.Exists());
  auto builtIn = CreateMainWindowGawkScheme();
  EXPECT_EQ(builtIn->ReserveWordList().Count(), 43);
  EXPECT_EQ(builtIn->Reserve().Color(), clNone);
  ASSERT_TRUE(StoreGawkScheme(ini, *builtIn));
  EXPECT_TRUE(ini.Exists());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(ini.Path(), text));
  EXPECT_EQ(text.rfind("[property]\r\nGawkFountain_c=", 0), 0u) << text.substr(0, 40);

  // The next start loads it into a scheme whose values differ.
  auto loaded = CreateEditorSettingsGawkScheme();
  LoadStoredGawkScheme(ini, *loaded);
  EXPECT_EQ(WriteComponentStream(*loaded), WriteComponentStream(*builtIn));
}

TEST_F(StoredScheme, ReadIniAndWriteIniByFileName) {
  auto a = CreateEditorSettingsGawkScheme();
  a->Ank().SetBkColor(0x00ABCDEF);
  ASSERT_TRUE(a->WriteIni(ini.Path(), "property", "GawkFountain"));
  auto b = CreateMainWindowGawkScheme();
  b->ReadIni(ini.Path(), "property", "GawkFountain");
  EXPECT_EQ(b->Ank().BkColor(), 0x00ABCDEF);
  // Nothing stored under another name: unchanged.
  b->ReadIni(ini.Path(), "property", "Other");
  EXPECT_EQ(b->Ank().BkColor(), 0x00ABCDEF);
}

TEST_F(StoredScheme, NegativeIntegersSurviveTheSettingsFile) {
  for (std::int32_t v : {-128, -129, -300, -32768, -32769}) {
    auto a = CreateMainWindowGawkScheme();
    a->SetTag(v);
    ASSERT_TRUE(a->WriteIni(ini, "property", "GawkFountain"));
    auto b = CreateMainWindowGawkScheme();
    b->ReadIni(ini, "property", "GawkFountain");
    EXPECT_EQ(b->Tag(), v);
  }
}

TEST_F(StoredScheme, AnUnwritableFileIsReported) {
  IniFile bad(dir / "missing-folder" / "tolvan.INI");
  auto scheme = CreateMainWindowGawkScheme();
  EXPECT_FALSE(StoreGawkScheme(bad, *scheme));
}

}  // namespace
}  // namespace tolvan
