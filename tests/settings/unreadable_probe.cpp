// Run by the settings tests as a user who cannot read the files it is given:
// tries every write of the settings file and of a line file, and prints
// what each returned.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "settings/ini_file.h"
#include "settings/line_file.h"

using namespace tolvan;

namespace {
void Report(const char* what, bool ok) {
  std::printf("%s %s%s\n", what, ok ? "ok" : "refused ", ok ? "" : std::strerror(errno));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  IniFile ini(argv[1]);
  Report("ReadString", ini.ReadString("AWKEXE", "Path", "default") == "default");
  Report("WriteString", ini.WriteString("AWKEXE", "Option", "-v new=1"));
  Report("DeleteKey", ini.DeleteKey("AWKEXE", "Path"));
  Report("WriteBatch", ini.WriteBatch("property", {{"GawkFountain_c", "1"}, {"GawkFountain_d0", std::nullopt}}));
  TLineFile lines(argv[2]);
  std::vector<std::string> shown;
  Report("Load", lines.Load(shown));
  std::printf("lines %zu\n", shown.size());
  shown.push_back("-v added=1");
  Report("Save", lines.Save(shown));
  return 0;
}
