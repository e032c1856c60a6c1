#include "job/editor_run_options.h"

#include <gtest/gtest.h>

#include "job/command_line.h"
#include "job/shell_words.h"

namespace tolvan {
namespace {

std::vector<std::string> Words(const std::string& text) {
  ShellWordsResult r = SplitShellWords(text);
  EXPECT_TRUE(r.Ok) << text;
  return r.Words;
}

std::string Spaced(const std::vector<std::string>& words) {
  std::string s;
  for (const auto& w : words) s += (s.empty() ? "" : "|") + w;
  return s;
}

// Words as gawk parses them: what stays, what goes (as typed).
TEST(EditorRunOptions, ParsedAsGawkParsesThem) {
  struct Case {
    const char* options;
    const char* kept;
    const char* dropped;
  } cases[] = {
      {"-F, -v n=1 --lint -e 'BEGIN{}'", "-F,|-v|n=1|--lint|-e|BEGIN{}", ""},
      {"-d", "", "-d"},
      {"-dvars.txt -n", "-n", "-dvars.txt"},
      {"-nd", "-n", "-d"},
      {"-ndv x=1", "-n|x=1", "-dv"},          // an optional argument takes the rest of the word only
      {"-p -o", "", "-p|-o"},
      {"-o out.awk", "out.awk", "-o"},        // out.awk is no option: gawk stops there too
      {"-D -C -g -h -V", "", "-D|-C|-g|-h|-V"},
      {"-E prog.awk -n", "-n", "-E prog.awk"},
      {"-Eprog.awk", "", "-Eprog.awk"},
      {"-v -d -F -p", "-v|-d|-F|-p", ""},    // arguments, not options
      {"--dump-variables", "", "--dump-variables"},
      {"--dump-variables=v.txt --posix", "--posix", "--dump-variables=v.txt"},
      {"--profile=p --pretty-print=q --debug=r", "", "--profile=p|--pretty-print=q|--debug=r"},
      {"--dump --prof --pre --deb", "", "--dump|--prof|--pre|--deb"},
      {"--pr --no", "--pr|--no", ""},         // ambiguous: gawk says so and runs nothing
      {"--exec prog.awk --version --help --copyright --gen-pot --nostalgia --persist=h",
       "", "--exec prog.awk|--version|--help|--copyright|--gen-pot|--nostalgia|--persist=h"},
      {"--assign x=-d --source=x --lint=fatal", "--assign|x=-d|--source=x|--lint=fatal", ""},
      {"-W dump-variables -Wprofile=p -W pretty-print=q -W exec a.awk", "",
       "-W dump-variables|-Wprofile=p|-W pretty-print=q|-W exec a.awk"},
      {"-nW sandbox -W assign x=1", "-nW|sandbox|-W|assign|x=1", ""},
      {"-- -d", "--|-d", ""},
      {"x=1 -d", "x=1|-d", ""},
      {"- -d", "-|-d", ""},
  };
  for (const Case& c : cases) {
    const FilteredOptions f = FilterEditorRunOptions(Words(c.options));
    EXPECT_EQ(Spaced(f.Kept), c.kept) << c.options;
    EXPECT_EQ(Spaced(f.Dropped), c.dropped) << c.options;
  }
}

TEST(EditorRunOptions, CommandLineKeepsTheScriptInPlace) {
  for (bool oneLiner : {false, true}) {
    CommandLineInputs in;
    in.AwkPath = "gawk";
    in.Options = "-F, -d --profile=p -v x=1";
    in.OneLiner = oneLiner;
    in.ScriptPath = "/s/a.awk";
    in.OneLinerText = "{print}";
    ComposeResult composed = ComposeBaseCommandLine(in);
    ASSERT_TRUE(composed.Ok);
    BaseCommandLine base = composed.Line;
    EXPECT_EQ(Spaced(DropEditorRunOptions(base)), "-d|--profile=p");
    EXPECT_EQ(base.Text, composed.Line.Text);
    EXPECT_EQ(base.Argv[static_cast<std::size_t>(base.ScriptIndex)], oneLiner ? "{print}" : "/s/a.awk");
    EXPECT_EQ(Spaced(base.Argv), oneLiner ? "gawk|-F,|-v|x=1|{print}" : "gawk|-F,|-v|x=1|-f|/s/a.awk");
  }
}

}  // namespace
}  // namespace tolvan
