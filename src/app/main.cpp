#include <memory>

#include "app/entry.h"
#include "mainwin/form1.h"

int main(int argc, char** argv) {
  return tolvan::RunApplication(argc, argv, [](const tolvan::ProgramPaths& paths, const QStringList& args) {
    return std::make_unique<tolvan::TForm1>(paths, args);
  });
}
