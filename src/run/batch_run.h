// "tolvan --run": one job from the command line, without a window. The
// options name what the main window's controls name; what they leave out
// comes from the settings file beside the program. The checks of Run apply
// in their order, the job is the window's job code, and the result is the
// exit code: 0 after a job without error text, 1 after a job with error
// text or a gawk run that exited non-zero, 2 when a check refuses or an option is wrong, 3 when what was to
// reach standard output or standard error did not.
#pragma once

#include <QStringList>

#include <cstdio>
#include <optional>

#include "core/program_paths.h"

namespace tolvan {

inline constexpr int kBatchOk = 0;
inline constexpr int kBatchJobFailed = 1;
inline constexpr int kBatchRefused = 2;
inline constexpr int kBatchOutputLost = 3;  // standard output or error could not be written

// Every code batch mode can end with.
inline constexpr int kBatchExitCodes[] = {kBatchOk, kBatchJobFailed, kBatchRefused, kBatchOutputLost};

// Every option batch mode takes: the list its parser reads, and the one the
// usage text, the manual page and the help page are checked against.
struct BatchOptionName {
  const char* Name;
  bool TakesValue;
};
inline constexpr BatchOptionName kBatchOptionNames[] = {
    {"--script", true},   {"--one-liner", true}, {"--quote", true},   {"--input", true},
    {"--output", true},   {"--prefix", true},    {"--out", true},     {"--option", true},
    {"--single-command-line", false},            {"--parallel", true}, {"--encoding", true},
    {"--crlf", true},     {"--help", false},
};

// True when the command line asks for batch mode ("--run" first).
bool IsBatchCommandLine(int argc, char** argv);

// arguments: everything after "--run". Standard output of "4 Screen" (and
// of "6 Null" when there is any) goes to out as gawk's bytes; the error text
// goes to err with gawk's bytes as they are and the program's own lines in
// UTF-8, as are its other messages.
int RunBatch(const ProgramPaths& paths, const QStringList& arguments, std::FILE* out, std::FILE* err);

// The usage text (UTF-8).
QString BatchUsage();

// What the command line asks for without a window or a display: "--run ...",
// "--help" (-h) or "--version". The exit code, or nothing when the main
// window is to start.
std::optional<int> RunWithoutWindow(int argc, char** argv, std::FILE* out, std::FILE* err);
// The program's own usage: the main window's command line, then batch mode.
QString ProgramUsage();

}  // namespace tolvan
