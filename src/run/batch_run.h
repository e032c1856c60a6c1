// "tolvan --run": one job from the command line, without a window. The
// options name what the main window's controls name; what they leave out
// comes from the settings file beside the program. The checks of Run apply
// in their order, the job is the window's job code, and the result is the
// exit code: 0 after a job without error text, 1 after a job with error
// text, 2 when a check refuses or an option is wrong.
#pragma once

#include <QStringList>

#include <cstdio>

#include "core/program_paths.h"

namespace tolvan {

inline constexpr int kBatchOk = 0;
inline constexpr int kBatchJobFailed = 1;
inline constexpr int kBatchRefused = 2;

// True when the command line asks for batch mode ("--run" first).
bool IsBatchCommandLine(int argc, char** argv);

// arguments: everything after "--run". Standard output of "4 Screen" (and
// of "6 Null" when there is any) goes to out as gawk's bytes; the error text
// goes to err as its bytes; the program's own messages go to err in UTF-8.
int RunBatch(const ProgramPaths& paths, const QStringList& arguments, std::FILE* out, std::FILE* err);

// The usage text (UTF-8).
QString BatchUsage();

}  // namespace tolvan
