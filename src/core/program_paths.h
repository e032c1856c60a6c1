// Where the program finds its own files: everything lives beside the
// executable (settings file, scripts tree, option history, help page).
#pragma once

#include <filesystem>
#include <string>

namespace tolvan {

class ProgramPaths {
 public:
  // From the running executable (/proc/self/exe).
  static ProgramPaths FromRunningExecutable();
  explicit ProgramPaths(std::filesystem::path executable);

  const std::filesystem::path& Executable() const { return exe_; }
  // The executable's folder with a trailing '/'.
  std::string Folder() const;
  // Executable path + ".INI".
  std::filesystem::path SettingsFile() const;
  // Executable path + ".html".
  std::filesystem::path HelpFile() const;
  std::filesystem::path ScriptsFolder() const;
  std::filesystem::path OneLinerFile() const;
  std::filesystem::path OptionHistoryFile() const;
  std::filesystem::path ClipboardInputFile() const;

 private:
  std::filesystem::path exe_;
};

}  // namespace tolvan
