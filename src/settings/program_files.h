// The program's own folders and the files it makes on first start: the
// settings and data folders of an installed copy, the scripts tree with its
// one-liner file, and the sample scripts that a new scripts folder receives.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/program_paths.h"

namespace tolvan {

struct FolderProblem {
  std::filesystem::path folder;
  int error = 0;  // errno
};

struct ProgramFilesReport {
  std::vector<FolderProblem> problems;  // folders that could not be made
  bool scriptsFolderMade = false;       // the scripts folder is new
  bool oneLinerFileOk = true;           // One-Liner.txt exists or was made
  int samplesWritten = 0;
};

// Makes what is missing: the settings and data folders (installed copy,
// 0700 as the base directory rules ask), the scripts folder, its One-Liner
// folder and an empty One-Liner.txt. Only a scripts folder made here gets
// the sample scripts, each created only where no file is.
ProgramFilesReport MakeProgramFiles(const ProgramPaths& paths);

// Makes folder and its missing parents with mode; answers 0 or an errno.
int MakeFolderChain(const std::filesystem::path& folder, unsigned mode);

// "フォルダ「…」を作れませんでした（reason）" in UTF-8, reason in Japanese.
std::string FolderProblemText(const FolderProblem& problem);
std::string ErrorReasonText(int error);

// Which folders are in use, for the environment dialog and the about box
// (UTF-8, one item a line); names a settings file in the other place that is
// not read.
std::string FolderSummary(const ProgramPaths& paths);

struct SampleScript {
  std::string name;   // file name, extension included
  std::string bytes;  // CP932, CR LF
};
// The sample scripts, with ext (".awk") as their extension.
std::vector<SampleScript> SampleScripts(const std::string& ext = ".awk");

// The first program called name in $PATH that can be run, or empty.
std::filesystem::path FindOnPath(const std::string& name);

// Why program (file-system bytes) cannot be started, as an errno (0 when it
// exists and may be run); looked for in $PATH, as posix_spawnp does, when it
// holds no '/'.
int ProgramStartError(const std::string& program);

}  // namespace tolvan
