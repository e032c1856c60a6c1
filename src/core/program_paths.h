// Where the program finds its own files. This is the one place that decides:
// a copy in a writable folder of its own keeps everything beside the
// executable (the portable copy); an installed copy keeps its settings file
// under $XDG_CONFIG_HOME/tolvan and its scripts tree, option history and
// clipboard file under $XDG_DATA_HOME/tolvan.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tolvan {

// The parts of the process environment the decision reads.
struct PathEnvironment {
  std::string home;           // $HOME, else the password database
  std::string xdgConfigHome;  // as set; a relative value counts as unset
  std::string xdgDataHome;
  static PathEnvironment FromProcess();
  std::filesystem::path ConfigHome() const;  // $XDG_CONFIG_HOME or ~/.config
  std::filesystem::path DataHome() const;    // $XDG_DATA_HOME or ~/.local/share
};

// /usr, /usr/local, /opt, /bin, ... and anything below them.
bool IsSystemPrefix(const std::filesystem::path& folder);

// A folder the program could create files in (access(2) with W_OK and X_OK).
bool FolderIsWritable(const std::filesystem::path& folder);

class ProgramPaths {
 public:
  // From the running executable (/proc/self/exe) and the process environment.
  static ProgramPaths FromRunningExecutable();
  // The decision itself: portable when the executable's folder is writable
  // and not under a system prefix.
  static ProgramPaths Decide(const std::filesystem::path& executable, const PathEnvironment& env,
                             const std::function<bool(const std::filesystem::path&)>& writable = FolderIsWritable);
  // A portable copy: everything beside the executable.
  explicit ProgramPaths(std::filesystem::path executable);
  // An installed copy: settings under configFolder, the rest under dataFolder.
  ProgramPaths(std::filesystem::path executable, std::filesystem::path configFolder,
               std::filesystem::path dataFolder);

  bool Portable() const { return portable_; }
  const std::filesystem::path& Executable() const { return exe_; }
  // The executable's folder with a trailing '/'.
  std::string Folder() const;
  // The folder holding the settings file, and the one holding the rest.
  std::filesystem::path ConfigFolder() const;
  std::filesystem::path DataFolder() const;
  // Portable: executable path + ".INI"; installed: ConfigFolder/tolvan.INI.
  std::filesystem::path SettingsFile() const;
  // The settings file of the other place, which this copy never reads
  // (empty when there is none to name).
  std::filesystem::path OtherSettingsFile() const { return other_; }
  void SetOtherSettingsFile(std::filesystem::path p) { other_ = std::move(p); }
  // Portable: executable path + ".html"; installed: <prefix>/share/tolvan/
  // <name>.html when it is there, else beside the executable.
  std::filesystem::path HelpFile() const;
  std::filesystem::path ScriptsFolder() const;
  std::filesystem::path OneLinerFile() const;
  std::filesystem::path OptionHistoryFile() const;
  std::filesystem::path ClipboardInputFile() const;

 private:
  std::filesystem::path exe_;
  bool portable_ = true;
  std::filesystem::path config_, data_, other_;
};

}  // namespace tolvan
