// The checks of Run that follow the command line, shared by the window and
// by batch mode so that both refuse the same things in the same order.
#pragma once

#include <QString>
#include <QStringList>

namespace tolvan {

struct RunTargets {
  int Input = 0;   // 0 File, 1 Clipboard, 2 Null
  int Output = 0;  // 0 "1 Files(new)" .. 5 "6 Null"
  QStringList Inputs;
  QString Prefix;
  QString OutputFile;
  bool SingleCommandLine = false;
};

// For input "File": the list, the prefix (output 0), the output file name
// (outputs 1 and 2); for "Clipboard" (after its own checks) and "Null":
// output 0 refused, the output file name; then an output that is an input,
// then the single command line with output 0. The first refusal's message,
// or an empty text when all pass.
QString CheckRunTargets(const RunTargets& t);

}  // namespace tolvan
