#include "job/job_locale.h"

#include <gnu/libc-version.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

#include "core/file_errors.h"
#include "core/program_paths.h"
#include "job/process.h"
#include "settings/settings.h"

namespace tolvan {

namespace {

bool IsMade(const std::filesystem::path& folder) {
  struct stat st{};
  return ::stat((folder / "LC_CTYPE").c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// localedef's words, without the blank lines around them.
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  std::size_t start = s.find_first_not_of("\r\n ");
  return start == std::string::npos ? std::string() : s.substr(start);
}

std::string Codeset(std::string name) {
  if (const std::size_t slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) return {};
  const std::size_t at = name.find('@', dot);
  const std::string set = name.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
  std::string plain;
  for (char c : set)
    if (c != '-' && c != '_') plain += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return plain;
}

std::mutex gMakeMutex;
// Folders whose locale could not be made in this process, with the reason:
// tried once, said once.
std::map<std::filesystem::path, std::string>& Failures() {
  static std::map<std::filesystem::path, std::string> f;
  return f;
}

std::string LocaleSetting(const IniFile& ini) { return ini.ReadString(kSectionAwkExe, "Locale", ""); }

}  // namespace

std::filesystem::path LocaleCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  // A relative value counts as unset, as for the other XDG folders.
  if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "tolvan" / "locale";
  return std::filesystem::path(PathEnvironment::FromProcess().home) / ".cache" / "tolvan" / "locale";
}

std::filesystem::path Cp932LocaleFolder(const std::filesystem::path& root) {
  return root / (std::string("glibc-") + ::gnu_get_libc_version()) / kCp932LocaleName;
}

std::string MakeCp932Locale(const std::filesystem::path& folder, const std::string& localedef) {
  if (IsMade(folder)) return {};
  const std::filesystem::path parent = folder.parent_path();
  std::error_code ec;
  std::filesystem::create_directories(parent, ec);
  if (ec) return "フォルダを作成できません: " + FileErrorText(parent, ec.value());
  std::string tmpl = (parent / ".making-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return "フォルダを作成できません: " + FileErrorText(parent, errno);
  const std::filesystem::path scratch = tmpl;
  const std::filesystem::path made = scratch / folder.filename();

  ProcessRequest req;
  req.Argv = {localedef, "-f", "WINDOWS-31J", "-i", "ja_JP", made.string()};
  req.Locale = "C";
  std::string out, err;
  ProcessSinks sinks;
  sinks.Out = &out;
  sinks.Err = &err;
  std::string problem;
  try {
    const ProcessResult r = DefaultProcessLauncher().Run(req, sinks);
    if (r.Outcome == ProcessOutcome::NotStarted) problem = localedef + " を起動できません: " + r.StartError;
    else if (r.Signal != 0 || !IsMade(made)) problem = localedef + ": " + Trimmed(err.empty() ? out : err);
  } catch (const std::exception& e) {
    problem = localedef + ": " + e.what();
  }
  // Another copy of the program may have made it meanwhile: either is good.
  if (problem.empty() && ::rename(made.c_str(), folder.c_str()) != 0 && !IsMade(folder))
    problem = "ロケールを置けません: " + FileErrorText(folder, errno);
  std::filesystem::remove_all(scratch, ec);
  return problem;
}

JobLocale LocaleForJob(const IniFile& ini, TextEncoding e, const std::filesystem::path& root,
                       const std::string& localedef) {
  if (std::string setting = LocaleSetting(ini); !setting.empty()) return {setting, {}, false};
  if (e == TextEncoding::Utf8) return {"C.UTF-8", {}, false};
  const std::filesystem::path folder = Cp932LocaleFolder(root);
  std::lock_guard<std::mutex> lock(gMakeMutex);
  if (auto it = Failures().find(folder); it != Failures().end()) return {"C", it->second, false};
  std::string problem = MakeCp932Locale(folder, localedef);
  if (problem.empty()) return {folder.string(), {}, false};
  Failures()[folder] = problem;
  return {"C", problem, true};
}

std::string LocaleProblemText(const std::string& problem) {
  return "Shift-JIS (CP932) のロケールを作成できないため、CP932 のジョブは C ロケールで実行します"
         "（gawk は文字ではなくバイトを読みます）。\n" +
         problem;
}

std::string DescribeJobLocale(const IniFile& ini, TextEncoding e, const std::filesystem::path& root) {
  if (std::string setting = LocaleSetting(ini); !setting.empty()) return setting + "（設定 Locale による）";
  if (e == TextEncoding::Utf8) return "C.UTF-8";
  const std::filesystem::path folder = Cp932LocaleFolder(root);
  {
    std::lock_guard<std::mutex> lock(gMakeMutex);
    if (auto it = Failures().find(folder); it != Failures().end()) return "C（" + it->second + "）";
  }
  if (IsMade(folder)) return std::string(kCp932LocaleName) + "（" + folder.string() + "）";
  return std::string(kCp932LocaleName) + "（最初の実行で " + folder.string() + " に作成）";
}

bool LocaleReadsCp932(const std::string& locale) {
  std::string name = locale;
  if (name == "inherit") {
    name.clear();
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* v = std::getenv(var);
      if (v && *v) {
        name = v;
        break;
      }
    }
  }
  const std::string set = Codeset(name);
  for (const char* cp932 : {"cp932", "windows31j", "sjis", "shiftjis", "mskanji"})
    if (set == cp932) return true;
  return false;
}

}  // namespace tolvan
