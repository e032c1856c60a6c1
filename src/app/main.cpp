#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>

#include "app/entry.h"
#include "run/batch_run.h"
#include "mainwin/form1.h"

int main(int argc, char** argv) {
  // Batch mode, the usage and the version need no display, no window and
  // no single-instance lock.
  if (std::optional<int> code = tolvan::RunWithoutWindow(argc, argv, stdout, stderr)) return *code;
  return tolvan::RunApplication(argc, argv, [](const tolvan::ProgramPaths& paths, const QStringList& args) {
    return std::make_unique<tolvan::TForm1>(paths, args);
  });
}
