// The documents a user reads name every batch option and exit code the
// program has, and no option it does not have.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "run/batch_run.h"

namespace tolvan {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text between the first line starting with `from` and the next line
// starting with `to` (or the end).
std::string Section(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t start = text.find("\n" + from);
  if (start == std::string::npos) return {};
  const std::size_t end = text.find("\n" + to, start + 1);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string ManPage() {
  std::string page = Read(TOLVAN_SOURCE_DIR "/data/tolvan.1");
  std::string plain;
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\\' && i + 1 < page.size() && page[i + 1] == '-') continue;  // "\-" is "-"
    plain += page[i];
  }
  return plain;
}

struct Document {
  const char* name;
  std::string options;  // where the options are described
  std::string codes;    // where the exit codes are listed
  std::string codePattern;  // how one code is written there ("%" for the code)
};

std::vector<Document> Documents() {
  const std::string man = ManPage();
  const std::string help = Read(TOLVAN_SOURCE_DIR "/src/app/help/tolvan.html");
  const std::string usage = BatchUsage().toStdString();
  const std::string readme = Read(TOLVAN_SOURCE_DIR "/README.md");
  return {
      {"manual page", Section(man, ".SH BATCH MODE", ".SH "), Section(man, ".SH EXIT STATUS", ".SH "), "\n.B %\n"},
      {"help page", Section(help, "<h3 id=\"batch\">", "<h"), Section(help, "<h3 id=\"batch\">", "<h"),
       "<td>%</td>"},
      {"--run --help", usage, usage.substr(usage.find("終了コード")), "%"},
      {"README", "", Section(readme, "| code | meaning |", "\n"), "\n| % |"},
  };
}

std::string Pattern(const std::string& pattern, int code) {
  std::string s = pattern;
  s.replace(s.find('%'), 1, std::to_string(code));
  return s;
}

TEST(Documents, NameEveryBatchOptionAndExitCode) {
  for (const Document& d : Documents()) {
    ASSERT_FALSE(d.codes.empty()) << d.name;
    for (int code : kBatchExitCodes)
      EXPECT_NE(d.codes.find(Pattern(d.codePattern, code)), std::string::npos) << d.name << ": exit code " << code;
    if (d.options.empty()) continue;
    for (const BatchOptionName& o : kBatchOptionNames)
      EXPECT_NE(d.options.find(o.Name), std::string::npos) << d.name << ": " << o.Name;
  }
}

TEST(Documents, NameNoOptionTheProgramLacks) {
  std::set<std::string> known = {"--run", "--", "--help", "--version"};
  for (const BatchOptionName& o : kBatchOptionNames) known.insert(o.Name);
  const std::regex option("--[a-z][a-z0-9-]*");
  for (const Document& d : Documents()) {
    for (std::sregex_iterator it(d.options.begin(), d.options.end(), option), end; it != end; ++it)
      EXPECT_TRUE(known.count(it->str())) << d.name << " names " << it->str();
  }
}

}  // namespace
}  // namespace tolvan
