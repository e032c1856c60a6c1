// "tolvan --run": exit codes, messages and outputs, without a window.
#include "run/batch_run.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/codepage.h"
#include "core/files.h"
#include "support/temp_dir.h"

namespace tolvan {
namespace {

namespace fs = std::filesystem;

std::string Sj(const char* utf8) { return cp932::FromUtf8(utf8).bytes; }

std::string Read(const fs::path& p) {
  std::string s;
  if (!ReadWholeFile(p, s)) return "<missing>";
  return s;
}

void Put(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

struct Outcome {
  int code = -1;
  std::string out, err;
};

// A program folder with its settings file, and the batch run on it.
class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings("[AWKEXE]\r\nPath=/usr/bin/gawk\r\nPref=pre_\r\nExt=.awk\r\n");
    a = (dir / "in" / "a.txt").string();
    b = (dir / "in" / "b.txt").string();
    Put(a, "a1\na2\n");
    Put(b, "b1\n");
  }
  void Settings(const std::string& ini) { Put(dir / "tolvan.INI", ini); }
  // With standard output or standard error on a file that takes nothing.
  Outcome RunFull(const QStringList& args, bool fullOut, bool fullErr) {
    Outcome o;
    char *outBuf = nullptr, *errBuf = nullptr;
    std::size_t outLen = 0, errLen = 0;
    std::FILE* out = fullOut ? std::fopen("/dev/full", "w") : ::open_memstream(&outBuf, &outLen);
    std::FILE* err = fullErr ? std::fopen("/dev/full", "w") : ::open_memstream(&errBuf, &errLen);
    o.code = RunBatch(ProgramPaths(dir / "tolvan"), args, out, err);
    std::fclose(out);
    std::fclose(err);
    if (outBuf) o.out.assign(outBuf, outLen);
    if (errBuf) o.err.assign(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    return o;
  }
  // The real program through a shell; the exit code.
  int Shell(const std::string& tail) {
    fs::path exe = dir / "tolvan";
    if (!fs::exists(exe)) {
      std::error_code ec;
      fs::create_hard_link(TOLVAN_EXECUTABLE, exe, ec);
      if (ec) fs::copy_file(TOLVAN_EXECUTABLE, exe);
    }
    const int status = std::system(("cd '" + dir.path().string() + "' && " + tail).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  Outcome Run(const QStringList& args) {
    Outcome o;
    char *outBuf = nullptr, *errBuf = nullptr;
    std::size_t outLen = 0, errLen = 0;
    std::FILE* out = ::open_memstream(&outBuf, &outLen);
    std::FILE* err = ::open_memstream(&errBuf, &errLen);
    o.code = RunBatch(ProgramPaths(dir / "tolvan"), args, out, err);
    std::fclose(out);
    std::fclose(err);
    o.out.assign(outBuf, outLen);
    o.err.assign(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    return o;
  }
  static QString Q(const std::string& s) { return QString::fromStdString(s); }

  test::TempDir dir;
  std::string a, b;
};

TEST_F(Batch, EachOutputMode) {
  const QString prog = "{ print FNR \":\" $0 }";
  Outcome screen = Run({"--one-liner", prog, Q(a), Q(b)});
  EXPECT_EQ(screen.code, 0);
  EXPECT_EQ(screen.out, "1:a1\n2:a2\n1:b1\n");
  EXPECT_EQ(screen.err, "");

  // Files(new) with the prefix from the settings file, then from --prefix;
  // a folder is expanded as a command-line folder parameter is.
  Outcome made = Run({"--one-liner", prog, "--output", "new", Q((dir / "in").string())});
  EXPECT_EQ(made.code, 0);
  EXPECT_EQ(made.out + made.err, "");
  EXPECT_EQ(Read(dir / "in" / "pre_a.txt"), "1:a1\n2:a2\n");
  EXPECT_EQ(Read(dir / "in" / "pre_b.txt"), "1:b1\n");
  EXPECT_EQ(Run({"--one-liner", prog, "--output=new", "--prefix", "x_", Q(a)}).code, 0);
  EXPECT_EQ(Read(dir / "in" / "x_a.txt"), "1:a1\n2:a2\n");

  const std::string outFile = (dir / "out.txt").string();
  Put(outFile, "old\n");
  EXPECT_EQ(Run({"--one-liner", prog, "--output", "overwrite", "--out", Q(outFile), Q(a), Q(b)}).code, 0);
  EXPECT_EQ(Read(outFile), "1:b1\n");
  Put(outFile, "old\n");
  EXPECT_EQ(Run({"--one-liner", prog, "--output", "append", "--out", Q(outFile), Q(a), Q(b)}).code, 0);
  EXPECT_EQ(Read(outFile), "old\n1:a1\n2:a2\n1:b1\n");
  // One command line over all inputs.
  Outcome single = Run({"--one-liner", "END { print NR }", "--single-command-line", Q(a), Q(b)});
  EXPECT_EQ(single.out, "3\n");

  // Null: nothing to show, or what was printed.
  Outcome quiet = Run({"--one-liner", "BEGIN { }", "--input", "null", "--output", "null"});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(Run({"--one-liner", "BEGIN { print 7 }", "--input", "null", "--output", "null"}).out, "7\n");

  // Several runs at once give the same.
  Outcome many = Run({"--one-liner", prog, "--parallel", "2", Q(a), Q(b)});
  EXPECT_EQ(many.code, 0);
  EXPECT_EQ(many.out, screen.out);
}

// A run that exits non-zero fails the job without stopping it, and is
// named on standard error after the error text.
TEST_F(Batch, ARunThatExitsNonZeroFailsTheJob) {
  Outcome o = Run({"--one-liner", "{ print } END { if (FILENAME ~ /a.txt/) exit 3 }", Q(a), Q(b)});
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.out, "a1\na2\nb1\n");
  EXPECT_EQ(o.err, "gawk の終了コード 3: " + a + "\n");
  Outcome noInput = Run({"--one-liner", "BEGIN { print \"e\" > \"/dev/stderr\"; exit 7 }", "--input", "null"});
  EXPECT_EQ(noInput.code, 1);
  EXPECT_EQ(noInput.err, "e\ngawk の終了コード 7\n");
  EXPECT_EQ(Run({"--one-liner", "BEGIN { exit 0 }", "--input", "null"}).code, 0);
}

// Standard output closed early ends the program by SIGPIPE, as it ends a
// Unix tool: the shell sees 141.
TEST_F(Batch, StandardOutputClosedEarlyEndsBySigpipe) {
  EXPECT_EQ(Shell("bash -c './tolvan --run --input null --one-liner \"BEGIN { for (i = 0; i < 200000; i++) print i }\" "
                  "| head -1 > first.txt; exit ${PIPESTATUS[0]}'"),
            141);
  EXPECT_EQ(Read(dir / "first.txt"), "0\n");
}

TEST_F(Batch, ErrorTextFailsTheJob) {
  Outcome o = Run({"--one-liner", "{ print } FILENAME ~ /a.txt/ { print \"bad\" > \"/dev/stderr\"; exit }", Q(a), Q(b)});
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.out, "a1\n");  // b never ran
  EXPECT_EQ(o.err, "bad\n");
}

TEST_F(Batch, ScriptsOfTheScriptsFolderOrAPath) {
  Put(dir / "scripts" / "up.awk", "{ print toupper($0) }\n");
  Put(dir / "scripts" / "sub" / "count.awk", "END { print NR }\n");
  EXPECT_EQ(Run({"--script", "up.awk", Q(b)}).out, "B1\n");
  EXPECT_EQ(Run({"--script", "up", Q(b)}).out, "B1\n");  // the extension of the settings file
  EXPECT_EQ(Run({"--script", "sub/count.awk", Q(a)}).out, "2\n");
  EXPECT_EQ(Run({"--script", Q((dir / "scripts" / "up.awk").string()), Q(a)}).out, "A1\nA2\n");
}

TEST_F(Batch, OneLinerWithJapaneseText) {
  // ソ and 表 end in the byte 0x5C, which gawk reading bytes would take as an
  // escape; gawk reads characters here.
  Outcome o = Run({"--one-liner", QString::fromUtf8("BEGIN { s = \"日本語ソ表\"; print s, length(s) }"), "--quote",
                   "double", "--input", "null"});
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, Sj("日本語ソ表 5\n"));
  Put(dir / "in" / "j.txt", Sj("表示\nテスト\n"));
  Outcome grep = Run({"--one-liner", QString::fromUtf8("/表/ { print \"見つかった:\" $0 }"), Q((dir / "in" / "j.txt").string())});
  EXPECT_EQ(grep.out, Sj("見つかった:表示\n"));
  Outcome bad = Run({"--one-liner", QString::fromUtf8("BEGIN { print \"😀\" }"), "--input", "null"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.err, "「😀」はShift-JISで表せない文字なので、gawkに渡せません\n");
}

// --encoding, else the setting, decides the one-liner's encoding; a script
// file keeps its own.
TEST_F(Batch, EncodingOptionAndSetting) {
  Put(dir / "in" / "u.txt", "日本語の行\nenglish\n東日本\n");
  const QString data = Q((dir / "in" / "u.txt").string());
  Outcome o = Run({"--encoding", "UTF-8", "--one-liner", QString::fromUtf8("/日本/ { print length($0) }"), data});
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, "5\n3\n");
  Outcome emoji = Run({"--encoding=utf-8", "--one-liner", QString::fromUtf8("BEGIN { print \"😀\" }"), "--input", "null"});
  EXPECT_EQ(emoji.code, 0);
  EXPECT_EQ(emoji.out, "😀\n");
  Outcome wrong = Run({"--encoding", "latin1", "--one-liner", "BEGIN{}", "--input", "null"});
  EXPECT_EQ(wrong.code, 2);
  EXPECT_NE(wrong.err.find("--encoding"), std::string::npos);

  Settings("[AWKEXE]\r\nPath=/usr/bin/gawk\r\nEncoding=UTF-8\r\n");
  EXPECT_EQ(Run({"--one-liner", QString::fromUtf8("BEGIN { print length(\"日本語\") }"), "--input", "null"}).out, "3\n");
  EXPECT_EQ(Run({"--encoding", "CP932", "--one-liner", QString::fromUtf8("BEGIN { print length(\"日本語\") }"), "--input",
                 "null"}).out,
            "3\n");
  // A CP932 script runs as CP932 whatever the option says.
  Put(dir / "scripts" / "sj.awk", Sj("BEGIN { print length(\"表\") }\n"));
  EXPECT_EQ(Run({"--encoding", "UTF-8", "--script", "sj", "--input", "null"}).out, "1\n");
  // Locale=C asks for bytes.
  Settings("[AWKEXE]\r\nPath=/usr/bin/gawk\r\nLocale=C\r\n");
  EXPECT_EQ(Run({"--script", "sj", "--input", "null"}).out, "2\n");
}

// --crlf, else the setting, else auto decides how CR LF input is read.
TEST_F(Batch, CrLfOptionAndSetting) {
  Put(dir / "in" / "crlf.csv", "a,b,120\r\nc,d,80\r\n");
  const QString data = Q((dir / "in" / "crlf.csv").string());
  const QStringList job = {"--one-liner", "{ print $3 \"yen\" }", "--option", "-F,", data};
  EXPECT_EQ(Run(job).out, "120yen\n80yen\n");
  EXPECT_EQ(Run(QStringList{"--crlf", "never"} + job).out, "120\ryen\n80\ryen\n");
  Settings("[AWKEXE]\r\nPath=/usr/bin/gawk\r\nCrLfInput=never\r\n");
  EXPECT_EQ(Run(job).out, "120\ryen\n80\ryen\n");
  EXPECT_EQ(Run(QStringList{"--crlf=auto"} + job).out, "120yen\n80yen\n");
  EXPECT_EQ(Run(QStringList{"--crlf", "yes"} + job).code, 2);
}

// Each refusal of Run, with its message and nothing run.
TEST_F(Batch, ChecksRefuseInTheirOrder) {
  struct Case {
    QStringList args;
    const char* message;
  };
  const std::string outFile = (dir / "out.txt").string();
  const std::vector<Case> cases = {
      {{"--input", "null"}, "スクリプトファイルが指定されていません"},
      {{"--one-liner", "", "--input", "null"}, "スクリプトが指定されていません"},
      {{"--script", "nothing_here", Q(a)}, "スクリプトファイルがありません：\n"},
      {{"--one-liner", "1", "--option", "'-F"}, "オプションの引用符が閉じていません"},
      {{"--one-liner", "1"}, "入力ファイルが指定されていません！"},
      {{"--one-liner", "1", "--output", "new", "--prefix", "", Q(a)}, "出力ファイルに付加するPreFixが空白です"},
      {{"--one-liner", "1", "--output", "new", "--prefix", "../", Q(a)}, "ファイル名には、\\/:,;*?<>| などは使えません"},
      {{"--one-liner", "1", "--output", "overwrite", Q(a)}, "出力ファイル名が指定されていません！"},
      {{"--one-liner", "1", "--input", "null", "--output", "new"},
       "入力がNull または Clipboard の時は出力に「1 Files(new)」は選べません"},
      {{"--one-liner", "1", "--input", "null", "--output", "append"}, "出力ファイル名が指定されていません！"},
      {{"--one-liner", "1", "--output", "append", "--out", Q(a), Q(b), Q(a)},
       "出力ファイルと入力ファイルを同じにすることはできません"},
      {{"--one-liner", "1", "--output", "new", "--single-command-line", Q(a)},
       "単一コマンドラインを選択しているとき、出力にFiles(new)は選べません"},
      {{"--one-liner", "1", Q((dir / "in" / "nope.txt").string())},
       "入力ファイルがありません：\n"},
  };
  for (const Case& c : cases) {
    Outcome o = Run(c.args);
    EXPECT_EQ(o.code, 2) << c.message;
    EXPECT_EQ(o.err.rfind(c.message, 0), 0u) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(Read(a), "a1\na2\n");
  EXPECT_FALSE(fs::exists(dir / "in" / "pre_a.txt"));

  // No awk path: that message alone, before anything else is looked at.
  Settings("[AWKEXE]\r\nPath=\r\n");
  Outcome noAwk = Run({});
  EXPECT_EQ(noAwk.code, 2);
  EXPECT_EQ(noAwk.err, "awk.exeが指定されていません\n");
}

TEST_F(Batch, WrongOptionsAndHelp) {
  for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"--output", "clipboard"},
                                  QStringList{"--script"}, QStringList{"--parallel", "0"},
                                  QStringList{"--script", "x", "--one-liner", "y"},
                                  QStringList{"--one-liner", "1", "--input", "null", "x.txt"}}) {
    Outcome o = Run(args);
    EXPECT_EQ(o.code, 2) << args.join(' ').toStdString();
    EXPECT_NE(o.err.find("--help"), std::string::npos);
    EXPECT_EQ(o.out, "");
  }
  Outcome help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("使い方: tolvan --run", 0), 0u);
  EXPECT_NE(help.out.find("--single-command-line"), std::string::npos);
}

// Output that could not be delivered is never success: said on standard
// error when that works, exit code 3 either way.
TEST_F(Batch, OutputThatCannotBeWrittenFailsTheRun) {
  const QString prog = "{ print }";
  Outcome full = RunFull({"--one-liner", prog, Q(a)}, true, false);
  EXPECT_EQ(full.code, kBatchOutputLost);
  EXPECT_EQ(full.err, "標準出力に書き込めませんでした: ディスクに空きがありません\n");
  // Nothing to deliver, nothing lost.
  EXPECT_EQ(RunFull({"--one-liner", "BEGIN { }", "--input", "null"}, true, false).code, kBatchOk);
  // The error text could not be written: nobody is told, but the code says so.
  Outcome errFull = RunFull({"--one-liner", "BEGIN { print \"e\" > \"/dev/stderr\" }", "--input", "null"}, false, true);
  EXPECT_EQ(errFull.code, kBatchOutputLost);
  EXPECT_EQ(errFull.out, "");
  EXPECT_EQ(RunFull({"--help"}, true, false).code, kBatchOutputLost);

  // The real program with a full or a closed standard output.
  EXPECT_EQ(Shell("./tolvan --run --one-liner '{ print }' in/a.txt > /dev/full 2> stderr.txt"), 3);
  EXPECT_EQ(Read(dir / "stderr.txt"), "標準出力に書き込めませんでした: ディスクに空きがありません\n");
  EXPECT_EQ(Shell("./tolvan --run --one-liner '{ print }' in/a.txt >&- 2> stderr.txt"), 3);
  EXPECT_EQ(Read(dir / "stderr.txt"), "標準出力に書き込めませんでした: 閉じられています\n");
  // With standard output closed, an output file opened meanwhile does not
  // receive what was meant for it.
  EXPECT_EQ(Shell("./tolvan --run --one-liner '{ print }' --output append --out o.txt in/a.txt >&- 2> stderr.txt"), 0);
  EXPECT_EQ(Read(dir / "o.txt"), "a1\na2\n");
  EXPECT_EQ(Shell("./tolvan --run --help > /dev/full 2> stderr.txt"), 3);
  EXPECT_EQ(Shell("./tolvan --version > /dev/full 2> stderr.txt"), 3);
}

// The program's own lines of the error text are UTF-8 for the terminal,
// whichever encoding the job has; what gawk wrote keeps its bytes.
TEST_F(Batch, OwnErrorTextsInTheTerminalsEncoding) {
  const std::string missing = (dir / "no" / "out.txt").string();
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    QStringList args;
    std::string err;
  } cases[] = {
      {{"--one-liner", "{ print }", "--output", "overwrite", "--out", Q(missing), Q(a)},
       "出力ファイルの作成に失敗しました。" + missing + ": ファイルまたはフォルダがありません\r\n"},
      {{"--one-liner", "{ print }", "--output", "append", "--out", Q(fifo), Q(a)},
       "出力ファイルが通常のファイルではありません: " + fifo + "\r\n"},
      {{"--one-liner", "BEGIN { system(\"kill -KILL \" PROCINFO[\"pid\"]) }", "--input", "null"},
       "プログラムがシグナルで終了しました: /usr/bin/gawk: SIGKILL (Killed)\r\n"},
  };
  for (const char* encoding : {"CP932", "UTF-8"}) {
    for (const Case& c : cases) {
      Outcome o = Run(QStringList{"--encoding", encoding} + c.args);
      EXPECT_EQ(o.code, 1) << encoding;
      EXPECT_EQ(o.err, c.err) << encoding;
    }
  }
  Put(dir / "in" / "j.txt", Sj("表\n"));
  Outcome g = Run({"--one-liner", "{ print > \"/dev/stderr\" }", Q((dir / "in" / "j.txt").string())});
  EXPECT_EQ(g.code, 1);
  EXPECT_EQ(g.err, Sj("表\n"));
}

// Usage and version need no display.
TEST_F(Batch, HelpAndVersionWithoutADisplay) {
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";
  EXPECT_EQ(Shell(noDisplay + "./tolvan --version > stdout.txt 2> stderr.txt"), 0);
  EXPECT_EQ(Read(dir / "stdout.txt"), "Tolvan 1.1.1\n");
  EXPECT_EQ(Read(dir / "stderr.txt"), "");
  for (const char* option : {"--help", "-h"}) {
    EXPECT_EQ(Shell(noDisplay + "./tolvan " + option + " > stdout.txt 2> stderr.txt"), 0) << option;
    const std::string usage = Read(dir / "stdout.txt");
    EXPECT_EQ(usage.rfind("使い方: tolvan [入力ファイルまたはフォルダ...]\n", 0), 0u) << usage;
    EXPECT_NE(usage.find("使い方: tolvan --run [オプション]"), std::string::npos);
    EXPECT_EQ(Read(dir / "stderr.txt"), "");
  }
}

// The real program: batch mode needs no display, and an input after "--"
// may begin with "-".
TEST_F(Batch, TheProgramRunsWithoutADisplay) {
  fs::path exe = dir / "tolvan";
  std::error_code ec;
  fs::create_hard_link(TOLVAN_EXECUTABLE, exe, ec);
  if (ec) fs::copy_file(TOLVAN_EXECUTABLE, exe);
  Put(dir / "-dash.txt", "d1\n");
  const std::string cmd = "cd '" + dir.path().string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ./tolvan --run "
                          "--one-liner '{ print \"<\" $0 \">\" }' -- -dash.txt > stdout.txt 2> stderr.txt";
  int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << Read(dir / "stderr.txt");
  EXPECT_EQ(Read(dir / "stdout.txt"), "<d1>\n");
  EXPECT_EQ(Read(dir / "stderr.txt"), "");
  status = std::system(("cd '" + dir.path().string() + "' && ./tolvan --run --one-liner 1 > /dev/null 2> stderr.txt").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(Read(dir / "stderr.txt"), "入力ファイルが指定されていません！\n");
}

// Ctrl+C, a closing terminal or a kill ends the job the way cancel does: no gawk is left
// running, and the error text says the job was cancelled.
TEST_F(Batch, ASignalCancelsTheJob) {
  fs::path exe = dir / "tolvan";
  std::error_code ec;
  fs::create_hard_link(TOLVAN_EXECUTABLE, exe, ec);
  if (ec) fs::copy_file(TOLVAN_EXECUTABLE, exe);
  const fs::path pidFile = dir / "gawk.pid";
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    const char* encoding = sig == SIGTERM ? "UTF-8" : "CP932";
    fs::remove(pidFile);
    const std::string prog = "BEGIN { print PROCINFO[\"pid\"] > \"" + pidFile.string() + "\"; close(\"" +
                             pidFile.string() + "\"); while (1) { } }";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen((dir / "stderr.txt").c_str(), "w", stderr);
      ::execl(exe.c_str(), "tolvan", "--run", "--encoding", encoding, "--one-liner", prog.c_str(), "--input", "null",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    auto gawkPid = [&] {
      std::string s = Read(pidFile);
      return s == "<missing>" || s.empty() ? 0 : std::atoi(s.c_str());
    };
    for (int i = 0; i < 500 && gawkPid() == 0; ++i) ::usleep(10000);
    const pid_t gawk = gawkPid();
    ASSERT_GT(gawk, 0);
    ::kill(child, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << sig;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(Read(dir / "stderr.txt"), "\r\nユーザーによって処理は中断されました\r\n") << encoding;
    const bool left = ::kill(gawk, 0) == 0;
    EXPECT_FALSE(left) << "gawk " << gawk << " still running";
    if (left) ::kill(gawk, SIGKILL);
  }
}

// An installed copy on its first start: the user's folders are made, gawk
// is found without a settings file, and a folder that cannot be made is
// told while the job still runs.
TEST_F(Batch, InstalledFirstStart) {
  struct Case {
    const char* blocked;  // a file where a folder must go, or nothing
    const char* told;
  } cases[] = {{nullptr, nullptr}, {"home/.config", "home/.config/tolvan"}, {"home/.local", "home/.local/share/tolvan"}};
  for (const Case& c : cases) {
    test::TempDir home;
    ProgramPaths paths(home.path() / "usr/bin/tolvan", home.path() / "home/.config/tolvan",
                       home.path() / "home/.local/share/tolvan");
    if (c.blocked) Put(home.path() / c.blocked, "file");
    char *outBuf = nullptr, *errBuf = nullptr;
    std::size_t outLen = 0, errLen = 0;
    std::FILE* out = ::open_memstream(&outBuf, &outLen);
    std::FILE* err = ::open_memstream(&errBuf, &errLen);
    const int code = RunBatch(paths, {"--one-liner", "{ print NR }", Q(a)}, out, err);
    std::fclose(out);
    std::fclose(err);
    const std::string o(outBuf, outLen), e(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    EXPECT_EQ(code, 0) << e;
    EXPECT_EQ(o, "1\n2\n");
    if (c.told) {
      EXPECT_NE(e.find((home.path() / c.told).string()), std::string::npos) << e;
      EXPECT_NE(e.find("同じ名前のファイルがあります"), std::string::npos) << e;
    } else {
      EXPECT_EQ(e, "");
      EXPECT_TRUE(fs::is_directory(paths.ConfigFolder()));
      EXPECT_TRUE(fs::exists(paths.OneLinerFile()));
      EXPECT_TRUE(fs::exists(paths.ScriptsFolder() / "csv_column_sum.awk"));
    }
    EXPECT_FALSE(fs::exists(home.path() / "usr"));
  }
}

}  // namespace
}  // namespace tolvan

namespace tolvan {
namespace {

// A folder runs in the input list's order, whatever order the file system
// keeps, without hidden files or subfolders; a Shift-JIS name is left out
// as the window leaves it out, named, and the exit code is 1.
TEST_F(Batch, AFolderRunsInNameOrderAndLeavesOutNamesThatAreNotUtf8) {
  const fs::path daily = dir / "daily";
  for (const char* name : {"日報_17.csv", "日報_03.csv", "日報_30.csv", "B.csv", "a.csv", ".hidden.csv", "sub/x.csv"})
    Put(daily / name, std::string(name) + "\n");
  const std::string month = (dir / "月報.csv").string();
  Outcome o = Run({"--one-liner", "1", "--output", "append", "--out", Q(month), Q(daily.string())});
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(Read(month), "a.csv\nB.csv\n日報_03.csv\n日報_17.csv\n日報_30.csv\n");
  Put(daily / Sj("表.csv"), "sj\n");
  o = Run({"--one-liner", "1", Q(daily.string())});
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.out, Read(month));
  EXPECT_NE(o.err.find("名前がUTF-8でない"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find((daily / "表.csv").string()), std::string::npos) << o.err;
}

}  // namespace
}  // namespace tolvan
