// A settings file or line file that exists but cannot be read must never be
// replaced by what the program would write from the nothing it read. Mode
// 0200 hides a file only from a user without the power to override it, so
// under root the check runs as "nobody".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <grp.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using tolvan::test::TempDir;

struct Ran {
  bool started = false;
  int status = -1;
  std::string out;
};

// Runs argv, collecting standard output.
Ran RunCapture(const std::vector<std::string>& args) {
  Ran r;
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) return r;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(p[1]);
  if (rc == 0) {
    r.started = true;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(p[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<std::size_t>(n));
    ::waitpid(pid, &r.status, 0);
  }
  ::close(p[0]);
  return r;
}

bool Exited0(const Ran& r) { return r.started && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0; }

std::string Slurp(const std::filesystem::path& p) {
  std::string s;
  if (!tolvan::ReadWholeFile(p, s)) return "<unreadable>";
  return s;
}

TEST(UnreadableFiles, ReadsGiveDefaultsAndWritesChangeNothing) {
  TempDir d;
  const auto ini = d / "tolvan.INI";
  const auto lines = d / "cmdopt.dat";
  const std::string iniBytes = "[AWKEXE]\r\nPath=/usr/bin/gawk\r\nOption=-F,\r\n[property]\r\nGawkFountain_c=0\r\n";
  const std::string lineBytes = "-F,\r\n-v x=1\r\n";
  ASSERT_TRUE(tolvan::WriteFileAtomically(ini, iniBytes));
  ASSERT_TRUE(tolvan::WriteFileAtomically(lines, lineBytes));

  std::vector<std::string> command;
  if (::geteuid() == 0) {
    passwd* nobody = ::getpwnam("nobody");
    if (!nobody) GTEST_SKIP() << "running as root and there is no user nobody to run the check as";
    // nobody owns the folder and the files, so only the mode keeps it out.
    for (const auto& p : {d.path(), ini, lines}) ASSERT_EQ(::chown(p.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    command = {"setpriv", "--reuid=nobody", "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"};
    std::vector<std::string> probe = command;
    probe.push_back("true");
    if (!Exited0(RunCapture(probe))) GTEST_SKIP() << "running as root and setpriv cannot switch to nobody";
  }
  ASSERT_EQ(::chmod(ini.c_str(), 0200), 0);
  ASSERT_EQ(::chmod(lines.c_str(), 0200), 0);
  command.push_back(UNREADABLE_PROBE);
  command.push_back(ini.string());
  command.push_back(lines.string());
  if (::geteuid() != 0 && ::access(ini.c_str(), R_OK) == 0)
    GTEST_SKIP() << "this user reads files of mode 0200; the check needs one who cannot";

  Ran r = RunCapture(command);
  ASSERT_TRUE(Exited0(r)) << "the probe did not run: status " << r.status << "\n" << r.out;
  EXPECT_EQ(r.out,
            "ReadString ok\n"
            "WriteString refused Permission denied\n"
            "DeleteKey refused Permission denied\n"
            "WriteBatch refused Permission denied\n"
            "Load refused Permission denied\n"
            "lines 0\n"
            "Save refused Permission denied\n");

  ::chmod(ini.c_str(), 0600);
  ::chmod(lines.c_str(), 0600);
  EXPECT_EQ(Slurp(ini), iniBytes);
  EXPECT_EQ(Slurp(lines), lineBytes);
  // Nothing left beside them either.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.path()), std::filesystem::directory_iterator()), 2);
}

}  // namespace
