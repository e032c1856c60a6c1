#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

#include "app/entry.h"
#include "run/batch_run.h"
#include "mainwin/form1.h"

int main(int argc, char** argv) {
  // Batch mode needs no display, no window and no single-instance lock.
  if (tolvan::IsBatchCommandLine(argc, argv)) {
    QStringList args;
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return tolvan::RunBatch(tolvan::ProgramPaths::FromRunningExecutable(), args, stdout, stderr);
  }
  return tolvan::RunApplication(argc, argv, [](const tolvan::ProgramPaths& paths, const QStringList& args) {
    return std::make_unique<tolvan::TForm1>(paths, args);
  });
}
