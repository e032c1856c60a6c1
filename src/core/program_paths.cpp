#include "core/program_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace tolvan {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::filesystem::path XdgOr(const std::string& value, const std::string& home, const char* fallback) {
  // The base directory rules ignore a relative value.
  if (!value.empty() && value.front() == '/') return value;
  return std::filesystem::path(home) / fallback;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.parent_path().empty() ? std::filesystem::path("/") : file.parent_path();
}

}  // namespace

PathEnvironment PathEnvironment::FromProcess() {
  PathEnvironment e;
  e.home = Env("HOME");
  if (e.home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) e.home = pw->pw_dir;
  }
  e.xdgConfigHome = Env("XDG_CONFIG_HOME");
  e.xdgDataHome = Env("XDG_DATA_HOME");
  return e;
}

std::filesystem::path PathEnvironment::ConfigHome() const { return XdgOr(xdgConfigHome, home, ".config"); }
std::filesystem::path PathEnvironment::DataHome() const { return XdgOr(xdgDataHome, home, ".local/share"); }

bool IsSystemPrefix(const std::filesystem::path& folder) {
  static const char* const kPrefixes[] = {"/usr", "/opt", "/bin", "/sbin", "/lib", "/lib64",
                                          "/snap", "/nix/store", "/app", "/etc"};
  const std::string f = folder.lexically_normal().string();
  for (const char* p : kPrefixes) {
    const std::string prefix = p;
    if (f == prefix || f.compare(0, prefix.size() + 1, prefix + "/") == 0) return true;
  }
  return false;
}

bool FolderIsWritable(const std::filesystem::path& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

ProgramPaths ProgramPaths::FromRunningExecutable() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::current_path() / "tolvan";
  return Decide(exe, PathEnvironment::FromProcess());
}

ProgramPaths ProgramPaths::Decide(const std::filesystem::path& executable, const PathEnvironment& env,
                                  const std::function<bool(const std::filesystem::path&)>& writable) {
  const std::filesystem::path folder = FolderOf(executable);
  const std::filesystem::path config = env.ConfigHome() / "tolvan";
  const std::filesystem::path data = env.DataHome() / "tolvan";
  if (!IsSystemPrefix(folder) && writable(folder)) {
    ProgramPaths p(executable);
    p.other_ = config / "tolvan.INI";
    return p;
  }
  ProgramPaths p(executable, config, data);
  p.other_ = executable.string() + ".INI";
  return p;
}

ProgramPaths::ProgramPaths(std::filesystem::path executable) : exe_(std::move(executable)) {}

ProgramPaths::ProgramPaths(std::filesystem::path executable, std::filesystem::path configFolder,
                           std::filesystem::path dataFolder)
    : exe_(std::move(executable)), portable_(false), config_(std::move(configFolder)), data_(std::move(dataFolder)) {}

std::string ProgramPaths::Folder() const {
  std::string f = exe_.parent_path().string();
  if (f.empty() || f.back() != '/') f += '/';
  return f;
}

std::filesystem::path ProgramPaths::ConfigFolder() const { return portable_ ? FolderOf(exe_) : config_; }
std::filesystem::path ProgramPaths::DataFolder() const { return portable_ ? FolderOf(exe_) : data_; }

std::filesystem::path ProgramPaths::SettingsFile() const {
  return portable_ ? std::filesystem::path(exe_.string() + ".INI") : config_ / "tolvan.INI";
}

std::filesystem::path ProgramPaths::HelpFile() const {
  std::filesystem::path beside = exe_.string() + ".html";
  if (portable_) return beside;
  // <prefix>/bin/tolvan finds <prefix>/share/tolvan/tolvan.html.
  std::filesystem::path shared =
      FolderOf(exe_).parent_path() / "share" / "tolvan" / (exe_.filename().string() + ".html");
  std::error_code ec;
  return std::filesystem::exists(shared, ec) || !std::filesystem::exists(beside, ec) ? shared : beside;
}

std::filesystem::path ProgramPaths::ScriptsFolder() const { return DataFolder() / "scripts"; }
std::filesystem::path ProgramPaths::OneLinerFile() const { return ScriptsFolder() / "One-Liner" / "One-Liner.txt"; }
std::filesystem::path ProgramPaths::OptionHistoryFile() const { return DataFolder() / "cmdopt.dat"; }
std::filesystem::path ProgramPaths::ClipboardInputFile() const { return DataFolder() / "TEMPCLIP.txt"; }

}  // namespace tolvan
