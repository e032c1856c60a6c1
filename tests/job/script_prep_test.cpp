#include "job/script_prep.h"

#include <gtest/gtest.h>

#include "job_test_support.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

using test::Sj;

TEST(TrailBackslash, DoublesOnlyTrailBytes) {
  EXPECT_FALSE(HasTrailBackslash("a\\b"));  // a plain backslash stays single
  EXPECT_EQ(DoubleTrailBackslashes("a\\b"), "a\\b");
  EXPECT_TRUE(HasTrailBackslash(Sj("xソ")));
  EXPECT_EQ(DoubleTrailBackslashes(Sj("ソ表")), "\x83\x5C\x5C\x95\x5C\x5C");
  // 0x5C after a double-byte character whose trail is not 0x5C is a real backslash.
  EXPECT_EQ(DoubleTrailBackslashes(Sj("あ") + "\\n"), Sj("あ") + "\\n");
  // The second byte of ソ must not be read as starting a new character:
  // "ソ\" has a real backslash after the character.
  EXPECT_EQ(DoubleTrailBackslashes(Sj("ソ") + "\\"), "\x83\x5C\x5C\\");
  // A lone lead byte at the end is left as it is.
  EXPECT_EQ(DoubleTrailBackslashes("a\x83"), "a\x83");
  EXPECT_FALSE(HasTrailBackslash("\x5C\x83"));
}

BaseCommandLine FileLine(const std::string& script) {
  BaseCommandLine b;
  b.Text = "gawk  -f \"" + script + "\"";
  b.Argv = {"gawk", "-f", script};
  b.ScriptIndex = 2;
  b.ScriptIsFile = true;
  return b;
}

TEST(PreparedScript, OneLinerDoubledInItsArgument) {
  BaseCommandLine b;
  b.Text = "gawk  '" + Sj("{print \"ソ\"}") + "' ";
  b.Argv = {"gawk", Sj("{print \"ソ\"}")};
  b.ScriptIndex = 1;
  TPreparedScript p(b);
  EXPECT_FALSE(p.UsesCopy());
  EXPECT_EQ(p.Line().Argv[1], "{print \"\x83\x5C\x5C\"}");
  EXPECT_EQ(p.Line().Text, b.Text);
}

TEST(PreparedScript, FileWithoutSuchCharactersIsUsedAsItIs) {
  test::TempDir dir;
  auto script = (dir / "plain.awk").string();
  test::WriteBytes(script, Sj("{ print \"あいう\\n\" }\n"));
  TPreparedScript p(FileLine(script));
  EXPECT_FALSE(p.UsesCopy());
  EXPECT_EQ(p.Line().Argv[2], script);
}

TEST(PreparedScript, FileCopiedDoubledAndRemoved) {
  test::TempDir dir;
  auto script = (dir / "so.awk").string();
  test::WriteBytes(script, Sj("BEGIN { print \"ソ\" }\n"));
  std::string copy;
  {
    TPreparedScript p(FileLine(script));
    ASSERT_TRUE(p.UsesCopy());
    copy = p.Line().Argv[2];
    EXPECT_NE(copy, script);
    EXPECT_EQ(std::filesystem::path(copy).filename(), "so.awk");
    EXPECT_EQ(test::ReadBytes(copy), "BEGIN { print \"\x83\x5C\x5C\" }\n");
    EXPECT_EQ(p.Line().Text, FileLine(script).Text);  // the text shows the real path
    // The script may be private: its copy is readable by the user alone.
    EXPECT_EQ(std::filesystem::status(copy).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    std::string err = "old " + copy + " | gawk: " + copy + ":1: error " + copy;
    p.RestoreScriptPath(err, 4 + copy.size());  // earlier text is not touched
    EXPECT_EQ(err, "old " + copy + " | gawk: " + script + ":1: error " + script);
  }
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(copy).parent_path()));
}

TEST(PreparedScript, MissingFileIsLeftToGawk) {
  TPreparedScript p(FileLine("/no/such/folder/x.awk"));
  EXPECT_FALSE(p.UsesCopy());
  EXPECT_EQ(p.Line().Argv[2], "/no/such/folder/x.awk");
}

TEST(PreparedScript, TextAlwaysGetsAPrivateCopyThatGoesAway) {
  std::string copy, beside;
  for (const std::string& text : {std::string("BEGIN { }\r\n"), Sj("BEGIN { print \"表\" }")}) {
    {
      TPreparedScript p(FileLine("placeholder.awk"), text, "/shown/name.awk");
      ASSERT_TRUE(p.UsesCopy());
      copy = p.Line().Argv[2];
      EXPECT_EQ(test::ReadBytes(copy), DoubleTrailBackslashes(text));
      const auto folder = std::filesystem::path(copy).parent_path();
      EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
                std::filesystem::perms::owner_all);
      EXPECT_EQ(std::filesystem::status(copy).permissions() & std::filesystem::perms::all,
                std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
      beside = p.WriteBeside("sample.txt", "abc");
      EXPECT_EQ(std::filesystem::path(beside).parent_path(), folder);
      EXPECT_EQ(test::ReadBytes(beside), "abc");
      EXPECT_THROW(p.WriteBeside("sample.txt", "again"), std::runtime_error);  // never over a file
      std::string err = "gawk: " + copy + ":2: x";
      p.RestoreScriptPath(err, 0);
      EXPECT_EQ(err, "gawk: /shown/name.awk:2: x");
    }
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_FALSE(std::filesystem::exists(beside));
  }
  // A one-line command line has no script file to stand in for.
  BaseCommandLine oneLiner;
  oneLiner.Argv = {"gawk", "BEGIN { }"};
  oneLiner.ScriptIndex = 1;
  EXPECT_THROW(TPreparedScript(oneLiner, "x", "y"), std::invalid_argument);
}

}  // namespace
}  // namespace tolvan
