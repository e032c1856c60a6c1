// The files a job reads and writes, checked before anything runs. An output
// that is an existing input or the script would be emptied before gawk
// reads it; an output or a script that is not a regular file (a named
// pipe) could block the job thread where cancel cannot reach it.
#pragma once

#include <string>
#include <vector>

#include "job/job_record.h"

namespace tolvan {

// Every output path the job would open, in the order it would open them.
std::vector<std::string> JobOutputPaths(const TJobRecord& record);

// The error text (CP932, naming the file) that refuses the job, or empty
// when it may run.
std::string CheckJobFiles(const TJobRecord& record);

}  // namespace tolvan
