#include "job/job_files.h"

#include <sys/stat.h>

#include <set>

#include "core/codepage.h"
#include "core/files.h"
#include "job/runners.h"
#include "job/thread_do_job.h"

namespace tolvan {

namespace {

std::string Message(const char* utf8, const std::string& path, TextEncoding e) {
  return JobText(utf8, e) + PathForText(path, e) + "\r\n";
}

// A path that exists and is not a regular file (a missing file is gawk's
// to report, or the runner's to create).
bool ExistsButNotRegular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> JobOutputPaths(const TJobRecord& r) {
  std::vector<std::string> out;
  const bool toOneFile = r.OutputMode == omFileOverwrite || r.OutputMode == omFileAppend;
  if (r.OutputMode == omFilesNew && r.InputMode == imFile && !r.SingleCommandLine) {
    for (const std::string& in : r.InputList) out.push_back(TThreadDoJob::NewFileOutputPath(in, r.OutputName));
  } else if (toOneFile) {
    out.push_back(r.OutputName);
  }
  return out;
}

std::string CheckJobFiles(const TJobRecord& r) {
  std::string script;
  const auto idx = static_cast<std::size_t>(r.Base.ScriptIndex);
  if (r.Base.ScriptIsFile && r.Base.ScriptIndex >= 0 && idx < r.Base.Argv.size()) script = r.Base.Argv[idx];
  if (!script.empty() && ExistsButNotRegular(script))
    return Message("スクリプトファイルが通常のファイルではありません: ", script, r.Encoding);

  const std::vector<std::string> outputs = JobOutputPaths(r);
  if (outputs.empty()) return {};

  // Only files that exist can be destroyed: an input that an earlier run
  // of the job writes is read once written, as it always was.
  std::set<FileIdentity> inputs;
  auto addInput = [&](const std::string& path) {
    FileIdentity id = IdentifyFile(path);
    if (id.exists) inputs.insert(id);
  };
  if (r.InputMode == imFile) {
    for (const std::string& in : r.InputList) addInput(in);
  } else if (r.InputMode == imClipboard) {
    addInput(r.ClipboardFile);
  }
  const FileIdentity scriptId = script.empty() ? FileIdentity{} : IdentifyFile(script);

  for (const std::string& out : outputs) {
    if (ExistsButNotRegular(out)) return Message("出力ファイルが通常のファイルではありません: ", out, r.Encoding);
    const FileIdentity id = IdentifyFile(out);
    if (!id.exists) continue;
    if (scriptId.exists && id == scriptId)
      return Message("出力ファイルとスクリプトファイルを同じにすることはできません: ", out, r.Encoding);
    if (inputs.count(id)) return Message("出力ファイルと入力ファイルを同じにすることはできません: ", out, r.Encoding);
  }
  return {};
}

}  // namespace tolvan
