#include "run/run_checks.h"

#include "core/filename_check.h"
#include "core/qt/qtext.h"
#include "run/input_files.h"

namespace tolvan {

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

QString CheckRunTargets(const RunTargets& t) {
  const bool toOneFile = t.Output == 1 || t.Output == 2;
  if (t.Input == 0) {
    if (t.Inputs.isEmpty()) return U("入力ファイルが指定されていません！");
    if (t.Output == 0) {
      if (t.Prefix.isEmpty()) return U("出力ファイルに付加するPreFixが空白です");
      // A prefix is part of a file name: "../" would write into other folders.
      if (t.Prefix.contains('/')) return U(kBadFileNameMessage);
      // The prefix is kept in the settings file, which holds CP932 only.
      QString failed;
      if (!ToCp932(t.Prefix, &failed)) return U("「%1」はShift-JISで表せない文字なので、PreFixに使えません").arg(failed);
    }
    if (toOneFile && t.OutputFile.isEmpty()) return U("出力ファイル名が指定されていません！");
  } else {
    if (t.Output == 0) return U("入力がNull または Clipboard の時は出力に「1 Files(new)」は選べません");
    if (toOneFile && t.OutputFile.isEmpty()) return U("出力ファイル名が指定されていません！");
  }
  if (t.Input == 0 && toOneFile && OutputIsAnInput(t.OutputFile, t.Inputs))
    return U("出力ファイルと入力ファイルを同じにすることはできません");
  if (t.SingleCommandLine && t.Output == 0) return U("単一コマンドラインを選択しているとき、出力にFiles(new)は選べません");
  return QString();
}

}  // namespace tolvan
