#include "core/program_paths.h"

#include <system_error>

namespace tolvan {

ProgramPaths ProgramPaths::FromRunningExecutable() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::current_path() / "tolvan";
  return ProgramPaths(exe);
}

ProgramPaths::ProgramPaths(std::filesystem::path executable) : exe_(std::move(executable)) {}

std::string ProgramPaths::Folder() const {
  std::string f = exe_.parent_path().string();
  if (f.empty() || f.back() != '/') f += '/';
  return f;
}

std::filesystem::path ProgramPaths::SettingsFile() const { return exe_.string() + ".INI"; }
std::filesystem::path ProgramPaths::HelpFile() const { return exe_.string() + ".html"; }
std::filesystem::path ProgramPaths::ScriptsFolder() const { return Folder() + "scripts"; }
std::filesystem::path ProgramPaths::OneLinerFile() const {
  return Folder() + "scripts/One-Liner/One-Liner.txt";
}
std::filesystem::path ProgramPaths::OptionHistoryFile() const { return Folder() + "cmdopt.dat"; }
std::filesystem::path ProgramPaths::ClipboardInputFile() const { return Folder() + "TEMPCLIP.txt"; }

}  // namespace tolvan
