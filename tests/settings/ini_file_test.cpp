#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "core/files.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::TempDir;

namespace {
std::string Slurp(const std::filesystem::path& p) {
  std::string s;
  ReadWholeFile(p, s);
  return s;
}
void Put(const std::filesystem::path& p, const std::string& s) { ASSERT_TRUE(WriteFileAtomically(p, s)); }
}  // namespace

TEST(IniFileRead, MissingFileAndKeysGiveDefaults) {
  TempDir d;
  IniFile ini(d / "none.INI");
  EXPECT_FALSE(ini.Exists());
  EXPECT_EQ(ini.ReadString("AWKEXE", "Path", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("AWKEXE", "ScriptQuote", 7), 7);
  EXPECT_TRUE(ini.ReadBool("AWKEXE", "SCmdLn", true));
}

TEST(IniFileRead, NamesMatchWithoutCaseAndLinesEndEitherWay) {
  TempDir d;
  Put(d / "t.INI", "[awkexe]\r\npath = /usr/bin/gawk \r\nExt=.awk\n[Editor]\nFONTSIZE=14");
  IniFile ini(d / "t.INI");
  EXPECT_EQ(ini.ReadString("AWKEXE", "Path", ""), "/usr/bin/gawk");
  EXPECT_EQ(ini.ReadString("Awkexe", "EXT", ""), ".awk");
  EXPECT_EQ(ini.ReadInteger("editor", "FontSize", 12), 14);
}

// Names fold ASCII letters only: the trail byte of a double-byte character
// is compared as it is, though it may look like a letter (Ｂ is 0x82 0x61).
TEST(IniFileRead, NameMatchingStepsOverDoubleByteCharacters) {
  TempDir d;
  Put(d / "t.INI", "[S\x82\x61]\r\nk\x82\x61x=one\r\n[s]\r\n\x82\x61=two\r\n");
  IniFile ini(d / "t.INI");
  EXPECT_EQ(ini.ReadString("s\x82\x61", "K\x82\x61X", ""), "one");
  EXPECT_EQ(ini.ReadString("s\x82\x41", "k\x82\x61x", "none"), "none");
  EXPECT_EQ(ini.ReadString("s\x82\x61", "k\x82\x41x", "none"), "none");
  EXPECT_EQ(ini.ReadString("S", "\x82\x61", ""), "two");
  EXPECT_EQ(ini.ReadString("S", "\x82\x41", "none"), "none");
  EXPECT_FALSE(ini.KeyExists("S", "\x82\x41"));
  // Writing the other name adds a key beside the first one.
  ASSERT_TRUE(ini.WriteString("s", "\x82\x41", "three"));
  EXPECT_EQ(ini.ReadString("S", "\x82\x61", ""), "two");
  EXPECT_EQ(ini.ReadString("S", "\x82\x41", ""), "three");
  // A single byte after a double-byte character still folds.
  EXPECT_TRUE(ini.KeyExists("S\x82\x61", "k\x82\x61X"));
}

// A value wrapped in a matching pair of quotes, single or double, reads
// without them; anything else keeps its quotes.
TEST(IniFileRead, QuotedValuesLoseTheirQuotes) {
  TempDir d;
  Put(d / "t.INI",
      "[A]\r\nd=\"a b\"\r\ns='a b'\r\nsp = ' x ' \r\nde=\"\"\r\nse=''\r\n"
      "mixed='a\"\r\nmixed2=\"a'\r\nlone='\r\nlone2=\"\r\ninner=a'b'\r\nlead='a\r\n");
  IniFile ini(d / "t.INI");
  EXPECT_EQ(ini.ReadString("A", "d", "?"), "a b");
  EXPECT_EQ(ini.ReadString("A", "s", "?"), "a b");
  EXPECT_EQ(ini.ReadString("A", "sp", "?"), " x ");
  EXPECT_EQ(ini.ReadString("A", "de", "?"), "");
  EXPECT_EQ(ini.ReadString("A", "se", "?"), "");
  EXPECT_EQ(ini.ReadString("A", "mixed", "?"), "'a\"");
  EXPECT_EQ(ini.ReadString("A", "mixed2", "?"), "\"a'");
  EXPECT_EQ(ini.ReadString("A", "lone", "?"), "'");
  EXPECT_EQ(ini.ReadString("A", "lone2", "?"), "\"");
  EXPECT_EQ(ini.ReadString("A", "inner", "?"), "a'b'");
  EXPECT_EQ(ini.ReadString("A", "lead", "?"), "'a");
}

TEST(IniFileRead, IntegerAndBooleanRules) {
  TempDir d;
  Put(d / "t.INI",
      "[A]\nyes=yes\nneg=-3\nhex=$1F\nhex2=0x10\nbig=99999999999\npart=12abc\nempty=\nb2=2\nb0=0\n");
  IniFile ini(d / "t.INI");
  EXPECT_FALSE(ini.ReadBool("A", "yes", false));  // SCmdLn=yes reads as its default
  EXPECT_TRUE(ini.ReadBool("A", "yes", true));
  EXPECT_EQ(ini.ReadInteger("A", "neg", 0), -3);
  EXPECT_EQ(ini.ReadInteger("A", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("A", "hex2", 0), 16);
  EXPECT_EQ(ini.ReadInteger("A", "big", 5), 5);
  EXPECT_EQ(ini.ReadInteger("A", "part", 5), 5);
  EXPECT_EQ(ini.ReadInteger("A", "empty", 5), 5);
  EXPECT_TRUE(ini.ReadBool("A", "b2", false));  // any non-zero integer
  EXPECT_FALSE(ini.ReadBool("A", "b0", true));
}

TEST(IniFileRead, BadInputReadsWithoutCrashing) {
  TempDir d;
  std::string garbage = "\xEF\xBB\xBF[AWKEXE]\r\nPath=first\r\nPath=second\r\n"
                        "no equals sign here\r\n[broken section\r\n=novalue\r\n";
  garbage += std::string("Nul=a\0b", 7) + "\r\n";
  garbage += "Long=" + std::string(200000, 'x') + "\r\n";
  garbage += "Option=\x95\x5C -v x=1\r\n";
  Put(d / "t.INI", garbage);
  IniFile ini(d / "t.INI");
  EXPECT_EQ(ini.ReadString("AWKEXE", "Path", ""), "first");  // duplicates: the first wins
  EXPECT_EQ(ini.ReadString("AWKEXE", "Nul", ""), std::string("a\0b", 3));
  EXPECT_EQ(ini.ReadString("AWKEXE", "Long", "").size(), 200000u);
  EXPECT_EQ(ini.ReadString("AWKEXE", "Option", ""), "\x95\x5C -v x=1");
  // The section line without "]" is not a section: its keys stay in AWKEXE.
  EXPECT_EQ(ini.ReadString("broken section", "x", "d"), "d");
}

TEST(IniFileRead, TenMegabyteFile) {
  TempDir d;
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "[S" + std::to_string(i % 50) + "]\r\nkey" + std::to_string(i) + "=v\r\n";
  big += "[Editor]\r\nTabSpace=8\r\n";
  while (big.size() < 10 * 1024 * 1024) big += "; filler filler filler filler filler filler filler\r\n";
  Put(d / "t.INI", big);
  IniFile ini(d / "t.INI");
  EXPECT_EQ(ini.ReadInteger("Editor", "TabSpace", 4), 8);
  EXPECT_EQ(ini.ReadString("S3", "key3", ""), "v");
  // A section named twice: only its first occurrence is read.
  EXPECT_EQ(ini.ReadString("S3", "key199953", "d"), "d");
}

TEST(IniFileWrite, KeepsEverythingItDoesNotUnderstand) {
  TempDir d;
  std::string before =
      "; my comment\r\n[Other]\r\nfoo = bar\r\n\r\n[AWKEXE]\r\ngarbage line\r\nPath=old\r\n\r\n[Tail]\nz=1\n";
  Put(d / "t.INI", before);
  IniFile ini(d / "t.INI");
  ASSERT_TRUE(ini.WriteString("awkexe", "Path", "/usr/bin/gawk"));
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Ext", ".awk"));
  ASSERT_TRUE(ini.WriteInteger("Editor", "Width", 700));
  EXPECT_EQ(Slurp(d / "t.INI"),
            "; my comment\r\n[Other]\r\nfoo = bar\r\n\r\n[AWKEXE]\r\ngarbage line\r\nPath=/usr/bin/gawk\r\n"
            "Ext=.awk\r\n\r\n[Tail]\r\nz=1\r\n[Editor]\r\nWidth=700\r\n");
  ASSERT_TRUE(ini.DeleteKey("AWKEXE", "PATH"));
  ASSERT_TRUE(ini.DeleteKey("AWKEXE", "missing"));
  EXPECT_EQ(ini.ReadString("AWKEXE", "Path", "gone"), "gone");
  EXPECT_EQ(ini.ReadString("Other", "foo", ""), "bar");
}

TEST(IniFileWrite, CreatesTheFileAndRoundTripsValues) {
  TempDir d;
  IniFile ini(d / "new.INI");
  ASSERT_TRUE(ini.WriteBool("AWKEXE", "SCmdLn", true));
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Option", "-v a=\x95\x5C"));
  ASSERT_TRUE(ini.WriteString("AWKEXE", "Multi", "a\r\nb"));
  EXPECT_TRUE(ini.Exists());
  EXPECT_TRUE(ini.ReadBool("AWKEXE", "SCmdLn", false));
  EXPECT_EQ(ini.ReadString("AWKEXE", "Option", ""), "-v a=\x95\x5C");
  EXPECT_EQ(ini.ReadString("AWKEXE", "Multi", ""), "a  b");  // one line, never two
  EXPECT_EQ(Slurp(d / "new.INI"), "[AWKEXE]\r\nSCmdLn=1\r\nOption=-v a=\x95\x5C\r\nMulti=a  b\r\n");
}

TEST(IniFileWrite, DuplicateKeysAndGarbageSurviveAWrite) {
  TempDir d;
  static const char raw[] = "[A]\r\nk=1\r\nk=2\r\n\x01\x02 junk\r\n[B\r\nnul\0x\r\n";
  std::string content(raw, sizeof raw - 1);
  Put(d / "t.INI", content);
  IniFile ini(d / "t.INI");
  ASSERT_TRUE(ini.WriteString("A", "k", "9"));
  std::string expected = content;
  expected[7] = '9';
  EXPECT_EQ(Slurp(d / "t.INI"), expected);
}

TEST(IniFileWrite, UnwritableFolderFails) {
  TempDir d;
  IniFile ini(d / "missing" / "t.INI");
  EXPECT_FALSE(ini.WriteString("A", "k", "2"));
}

TEST(IniFileWrite, BatchWritesAndDeletesInOnePass) {
  TempDir d;
  Put(d / "b.INI", "[property]\r\nOld_d2=x\r\nkeep=1\r\n[Other]\r\nOld_d2=y\r\n");
  IniFile ini(d / "b.INI");
  ASSERT_TRUE(ini.WriteBatch("property", {{"Old_d2", std::nullopt},
                                          {"absent", std::nullopt},
                                          {"S_c", "2"},
                                          {"S_d0", "A\r\nB"},
                                          {"s_C", "3"}}));
  EXPECT_EQ(Slurp(d / "b.INI"),
            "[property]\r\nkeep=1\r\ns_C=3\r\nS_d0=A  B\r\n[Other]\r\nOld_d2=y\r\n");
  // Only absent keys to delete: the file is not rewritten (not even created).
  IniFile none(d / "none.INI");
  EXPECT_TRUE(none.WriteBatch("property", {{"gone", std::nullopt}}));
  EXPECT_FALSE(none.Exists());
  IniFile bad(d / "missing" / "t.INI");
  EXPECT_FALSE(bad.WriteBatch("A", {{"k", "1"}}));
}

TEST(IniFileWrite, EveryValueReadsBackAsWritten) {
  TempDir d;
  IniFile ini(d / "q.INI");
  // The reader drops one pair of matching quotes and the blanks around a
  // value, as the Windows functions do.
  const std::vector<std::string> values = {"\"-F\" \":\"", "'x'", "\"", "\"\"", "''", "'a\"", "\"a'",
                                           " lead", "trail ", "\t", " \"q\" ", "-F\\\"", "\x95\x5C\""};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string key = "k" + std::to_string(i);
    ASSERT_TRUE(ini.WriteString("AWKEXE", key, values[i]));
    EXPECT_EQ(ini.ReadString("AWKEXE", key, "missing"), values[i]) << key;
  }
  // What is stored elsewhere keeps reading as before.
  EXPECT_NE(Slurp(d / "q.INI").find("k0=\"\"-F\" \":\"\"\r\n"), std::string::npos);
  EXPECT_NE(Slurp(d / "q.INI").find("k1=''x''\r\n"), std::string::npos);
  Put(d / "w.INI", "[AWKEXE]\r\nOption=\"-F:\"\r\nPlain=-F:\r\nEmpty=\"\"\r\nOne='\r\n");
  IniFile windows(d / "w.INI");
  EXPECT_EQ(windows.ReadString("AWKEXE", "Option", ""), "-F:");
  EXPECT_EQ(windows.ReadString("AWKEXE", "Empty", "x"), "");
  EXPECT_EQ(windows.ReadString("AWKEXE", "One", ""), "'");
  EXPECT_EQ(windows.ReadString("AWKEXE", "Plain", ""), "-F:");
  // A plain value is written as it always was.
  ASSERT_TRUE(windows.WriteString("AWKEXE", "Plain", "-v a=\"b\""));
  EXPECT_EQ(Slurp(d / "w.INI"), "[AWKEXE]\r\nOption=\"-F:\"\r\nPlain=-v a=\"b\"\r\nEmpty=\"\"\r\nOne='\r\n");
}
