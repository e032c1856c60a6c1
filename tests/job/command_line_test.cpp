#include "job/command_line.h"

#include <gtest/gtest.h>

#include "job/shell_words.h"
#include "job_test_support.h"

namespace tolvan {
namespace {

using Words = std::vector<std::string>;
using test::Sj;

CommandLineInputs FileScript(std::string awk, std::string options, std::string script) {
  CommandLineInputs in;
  in.AwkPath = std::move(awk);
  in.Options = std::move(options);
  in.ScriptPath = std::move(script);
  return in;
}

CommandLineInputs OneLiner(std::string awk, std::string options, std::string text, bool dq) {
  CommandLineInputs in;
  in.AwkPath = std::move(awk);
  in.Options = std::move(options);
  in.OneLiner = true;
  in.OneLinerText = std::move(text);
  in.DoubleQuote = dq;
  return in;
}

TEST(ComposeBaseCommandLine, FileScriptShapes) {
  // One option, script in the top folder.
  auto r = ComposeBaseCommandLine(FileScript("/usr/bin/gawk", "-F,", "/opt/t/scripts/sum.awk"));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Line.Text, "/usr/bin/gawk -F, -f \"/opt/t/scripts/sum.awk\"");
  EXPECT_EQ(r.Line.Argv, (Words{"/usr/bin/gawk", "-F,", "-f", "/opt/t/scripts/sum.awk"}));
  EXPECT_TRUE(r.Line.ScriptIsFile);
  EXPECT_EQ(r.Line.ScriptIndex, 3);

  // Empty options: two spaces before -f.
  r = ComposeBaseCommandLine(FileScript("/usr/bin/gawk", "", "/s/a.awk"));
  EXPECT_EQ(r.Line.Text, "/usr/bin/gawk  -f \"/s/a.awk\"");
  EXPECT_EQ(r.Line.Argv, (Words{"/usr/bin/gawk", "-f", "/s/a.awk"}));

  // The awk path is never quoted, even with spaces; it stays one argument.
  r = ComposeBaseCommandLine(FileScript("/my tools/gawk", "", "/s/a.awk"));
  EXPECT_EQ(r.Line.Text.rfind("/my tools/gawk  -f ", 0), 0u);
  EXPECT_EQ(r.Line.Argv[0], "/my tools/gawk");
}

TEST(ComposeBaseCommandLine, OneLinerShapes) {
  auto r = ComposeBaseCommandLine(OneLiner("gawk", "", "{print $1}", false));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Line.Text, "gawk  '{print $1}' ");
  EXPECT_EQ(r.Line.Argv, (Words{"gawk", "{print $1}"}));
  EXPECT_FALSE(r.Line.ScriptIsFile);
  EXPECT_EQ(r.Line.ScriptIndex, 1);

  r = ComposeBaseCommandLine(OneLiner("gawk", "-v n=1", "{print n}", true));
  EXPECT_EQ(r.Line.Text, "gawk -v n=1 \"{print n}\" ");
  EXPECT_EQ(r.Line.Argv, (Words{"gawk", "-v", "n=1", "{print n}"}));
  EXPECT_EQ(r.Line.ScriptIndex, 3);

  // The chosen quote inside the text is not escaped in the text; the
  // argument is the text exactly.
  r = ComposeBaseCommandLine(OneLiner("gawk", "", "{print \"a\" 'b'}", false));
  EXPECT_EQ(r.Line.Text, "gawk  '{print \"a\" 'b'}' ");
  EXPECT_EQ(r.Line.Argv.back(), "{print \"a\" 'b'}");
}

TEST(ComposeBaseCommandLine, HostileScriptPathsStayOneArgument) {
  for (std::string path : {"/s/a b.awk", "/s/q\"uo'te.awk", "/s/$HOME.awk", "/s/new\nline.awk", "/s/-f.awk"}) {
    auto r = ComposeBaseCommandLine(FileScript("gawk", "", path));
    ASSERT_TRUE(r.Ok) << path;
    EXPECT_EQ(r.Line.Text, "gawk  -f \"" + path + "\"");
    EXPECT_EQ(r.Line.Argv, (Words{"gawk", "-f", path}));
  }
}

TEST(ComposeBaseCommandLine, UnbalancedQuoteIsRefusedButTextComposed) {
  auto r = ComposeBaseCommandLine(FileScript("gawk", "-v x='abc", "/s/a.awk"));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, kUnbalancedQuoteError);
  EXPECT_TRUE(r.Line.Argv.empty());
  EXPECT_EQ(r.Line.Text, "gawk -v x='abc -f \"/s/a.awk\"");
  EXPECT_FALSE(ComposeBaseCommandLine(OneLiner("gawk", "-F\"", "{}", false)).Ok);
}

TEST(SplitShellWords, QuotingRules) {
  auto w = [](const std::string& s) {
    auto r = SplitShellWords(s);
    EXPECT_TRUE(r.Ok) << s;
    return r.Words;
  };
  EXPECT_EQ(w(""), Words{});
  EXPECT_EQ(w("  \t "), Words{});
  EXPECT_EQ(w(" -F,  -v\tx=1 \r\n--posix "), (Words{"-F,", "-v", "x=1", "--posix"}));
  EXPECT_EQ(w("-v 'x=a b'"), (Words{"-v", "x=a b"}));
  EXPECT_EQ(w("-v \"x=a b\""), (Words{"-v", "x=a b"}));
  EXPECT_EQ(w("'a'\"b\"c"), (Words{"abc"}));
  EXPECT_EQ(w("'' \"\""), (Words{"", ""}));
  // No expansion of any kind.
  EXPECT_EQ(w("$HOME ~ * `id` $(id)"), (Words{"$HOME", "~", "*", "`id`", "$(id)"}));
  EXPECT_EQ(w("\"$HOME\""), (Words{"$HOME"}));
  // Backslash: outside quotes it keeps the next character; inside double
  // quotes only before $ ` " \ ; inside single quotes never.
  EXPECT_EQ(w("a\\ b \\'"), (Words{"a b", "'"}));
  EXPECT_EQ(w("\"a\\\"b\\n\\\\\""), (Words{"a\"b\\n\\"}));
  EXPECT_EQ(w("'a\\b'"), (Words{"a\\b"}));
  EXPECT_EQ(w("a \\\n b"), (Words{"a", "b"}));
  EXPECT_EQ(w("end\\"), (Words{"end\\"}));
  // Unbalanced.
  EXPECT_FALSE(SplitShellWords("'").Ok);
  EXPECT_FALSE(SplitShellWords("a \"b").Ok);
  EXPECT_FALSE(SplitShellWords("\"a\\\"").Ok);
}

// Inside double quotes a backslash escapes exactly $ ` " and itself (and a
// line end); before anything else it stays. Single quotes escape nothing.
TEST(SplitShellWords, BackslashInDoubleQuotesEscapesDollarAndBacktick) {
  auto w = [](const std::string& s) {
    auto r = SplitShellWords(s);
    EXPECT_TRUE(r.Ok) << s;
    return r.Words;
  };
  EXPECT_EQ(w("-v \"x=\\$HOME\""), (Words{"-v", "x=$HOME"}));
  EXPECT_EQ(w("\"\\`id\\`\""), (Words{"`id`"}));
  EXPECT_EQ(w("\"\\$\\`\\\"\\\\\""), (Words{"$`\"\\"}));
  // Other characters keep the backslash.
  EXPECT_EQ(w("\"\\a\\%\\'\\t\""), (Words{"\\a\\%\\'\\t"}));
  EXPECT_EQ(w("'x=\\$HOME'"), (Words{"x=\\$HOME"}));
  EXPECT_EQ(w("x=\\$HOME"), (Words{"x=$HOME"}));
}

TEST(SplitShellWords, TrailByte5CIsNotABackslash) {
  // ソ is 0x83 0x5C: a shell reading bytes would eat the next character.
  const std::string so = Sj("ソ");
  ASSERT_EQ(so, "\x83\x5C");
  auto r = SplitShellWords("-v x=" + so + " y");
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Words, (Words{"-v", "x=" + so, "y"}));
  r = SplitShellWords("\"" + so + "\"");
  ASSERT_TRUE(r.Ok);  // the closing quote is not escaped by the trail byte
  EXPECT_EQ(r.Words, (Words{so}));
  r = SplitShellWords(Sj("表") + "\\ " + Sj("能"));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Words, (Words{Sj("表") + " " + Sj("能")}));
}

TEST(CommandLineTails, TextAndArguments) {
  auto file = ComposeBaseCommandLine(FileScript("gawk", "", "/s/a.awk")).Line;
  auto one = ComposeBaseCommandLine(OneLiner("gawk", "", "{print}", false)).Line;

  CommandLine c = WithInputFile(file, "/d/in put.txt");
  EXPECT_EQ(c.Text, "gawk  -f \"/s/a.awk\" \"/d/in put.txt\"");
  EXPECT_EQ(c.Argv, (Words{"gawk", "-f", "/s/a.awk", "/d/in put.txt"}));

  // One-liner then an input: two spaces before the input's quote.
  c = WithInputFile(one, "/d/x");
  EXPECT_EQ(c.Text, "gawk  '{print}'  \"/d/x\"");

  c = WithAllInputs(file, {"/d/a", "/d/b c"});
  EXPECT_EQ(c.Text, "gawk  -f \"/s/a.awk\" \"/d/a\" \"/d/b c\" ");
  EXPECT_EQ(c.Argv, (Words{"gawk", "-f", "/s/a.awk", "/d/a", "/d/b c"}));
  c = WithAllInputs(one, {"/d/a"});
  EXPECT_EQ(c.Text, "gawk  '{print}'  \"/d/a\" ");

  c = WithoutInput(one);
  EXPECT_EQ(c.Text, one.Text);
  EXPECT_EQ(c.Argv, one.Argv);
}

TEST(CommandLineTails, InputArgumentKeepsGawkFromMisreadingNames) {
  EXPECT_EQ(InputArgument("-"), "./-");
  EXPECT_EQ(InputArgument("x=1.txt"), "./x=1.txt");
  EXPECT_EQ(InputArgument("_a9=b"), "./_a9=b");
  EXPECT_EQ(InputArgument("9x=1"), "9x=1");  // not an assignment to gawk
  EXPECT_EQ(InputArgument("a-b=1"), "a-b=1");
  EXPECT_EQ(InputArgument("/d/x=1.txt"), "/d/x=1.txt");
  EXPECT_EQ(InputArgument("-dash.txt"), "./-dash.txt");  // options after "-f script"
  EXPECT_EQ(InputArgument("-notes.txt"), "./-notes.txt");
  EXPECT_EQ(InputArgument("/d/-x"), "/d/-x");
  EXPECT_EQ(InputArgument("/d/new\nline"), "/d/new\nline");
}

// One command line over all inputs protects each name as the command line
// of one input does: "-" is not standard input, "x=1.txt" not an assignment.
TEST(CommandLineTails, AllInputsAreProtectedAsOneInputIs) {
  auto file = ComposeBaseCommandLine(FileScript("gawk", "", "/s/a.awk")).Line;
  const std::vector<std::string> names = {"-", "x=1.txt", "_a9=b", "9x=1", "a-b=1", "/d/x=1.txt", "-dash.txt", "b.txt"};
  CommandLine all = WithAllInputs(file, names);
  EXPECT_EQ(all.Text, "gawk  -f \"/s/a.awk\" \"-\" \"x=1.txt\" \"_a9=b\" \"9x=1\" \"a-b=1\" "
                      "\"/d/x=1.txt\" \"-dash.txt\" \"b.txt\" ");
  EXPECT_EQ(all.Argv, (Words{"gawk", "-f", "/s/a.awk", "./-", "./x=1.txt", "./_a9=b", "9x=1", "a-b=1",
                             "/d/x=1.txt", "./-dash.txt", "b.txt"}));
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(all.Argv[3 + i], WithInputFile(file, names[i]).Argv.back()) << names[i];
}

TEST(UpdateOptionHistory, Rule) {
  std::vector<std::string> h;
  UpdateOptionHistory(h, "A");
  UpdateOptionHistory(h, "B");
  UpdateOptionHistory(h, "A");
  EXPECT_EQ(h, (Words{"A", "B"}));

  h.clear();
  UpdateOptionHistory(h, "-F,");
  UpdateOptionHistory(h, "-f,");  // matches the top: the top keeps its case
  EXPECT_EQ(h, (Words{"-F,"}));

  h = {"-v x=1", "--POSIX", "-F:"};
  UpdateOptionHistory(h, "--posix");  // further down: moves up in the new case
  EXPECT_EQ(h, (Words{"--posix", "-v x=1", "-F:"}));

  UpdateOptionHistory(h, "");
  EXPECT_EQ(h, (Words{"--posix", "-v x=1", "-F:"}));

  // No size limit.
  h.clear();
  for (int i = 0; i < 300; ++i) UpdateOptionHistory(h, "-v n=" + std::to_string(i));
  EXPECT_EQ(h.size(), 300u);
  EXPECT_EQ(h.front(), "-v n=299");
}

TEST(UpdateOptionHistory, DoubleByteCharactersAreNotCaseFolded) {
  // 0x82 0x61 and 0x82 0x41 differ only in a trail byte that looks like a
  // letter: they are different characters.
  std::vector<std::string> h{"\x82\x61"};
  UpdateOptionHistory(h, "\x82\x41");
  EXPECT_EQ(h, (Words{"\x82\x41", "\x82\x61"}));
  h = {Sj("-v x=あa")};
  UpdateOptionHistory(h, Sj("-V X=あA"));
  EXPECT_EQ(h.size(), 1u);
}

}  // namespace
}  // namespace tolvan
