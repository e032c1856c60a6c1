#include "run/batch_run.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/file_errors.h"
#include "core/qt/qtext.h"
#include "job/command_line.h"
#include "job/job_locale.h"
#include "job/job_record.h"
#include "job/script_prep.h"
#include "job/progress_line.h"
#include "job/runners.h"
#include "job/thread_do_job.h"
#include "run/input_files.h"
#include "run/run_checks.h"
#include "settings/program_files.h"
#include "settings/settings.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A standard stream as batch mode found it. A closed descriptor is taken by
// /dev/null at once, so no file opened later lands on it and receives what
// was meant for the stream; writing to it still fails.
struct Stream {
  std::FILE* f;
  bool closed = false;
  explicit Stream(std::FILE* file) : f(file) {
    const int fd = ::fileno(f);
    if (fd < 0 || ::fcntl(fd, F_GETFD) != -1 || errno != EBADF) return;
    closed = true;
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
};

// False (errno set) when the bytes did not all reach the stream.
bool Write(Stream& s, const std::string& bytes) {
  if (s.closed) {
    errno = EBADF;
    return false;
  }
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), s.f) != bytes.size()) {
    if (errno == 0) errno = EIO;
    return false;
  }
  if (std::fflush(s.f) != 0 || std::ferror(s.f)) {
    if (errno == 0) errno = EIO;
    return false;
  }
  return true;
}

bool Say(Stream& s, const QString& text) { return Write(s, (text + "\n").toStdString()); }

// The job's own lines of the error text (cancel, files, start failures)
// in the terminal's encoding, made in the job's; gawk's bytes stay as gawk
// wrote them. An own line that ends the text gets its line break.
std::string ForTerminal(const std::string& errText, TextEncoding encoding) {
  std::string shown;
  bool ownLast = false;
  std::size_t start = 0;
  while (start < errText.size()) {
    std::size_t end = errText.find('\n', start);
    end = end == std::string::npos ? errText.size() : end + 1;
    std::string_view line(errText.data() + start, end - start);
    std::string_view body = line;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    ownLast = IsOwnMessageLine(body);
    if (ownLast && encoding == TextEncoding::Cp932) shown += cp932::ToUtf8(body) + std::string(line.substr(body.size()));
    else shown += line;
    start = end;
  }
  if (ownLast && shown.back() != '\n') shown += "\r\n";
  return shown;
}

// A host with no window: progress is a line on standard error when that is
// a terminal; the end is waited for.
class BatchHost : public TJobHost {
 public:
  explicit BatchHost(int errFd) : progress_(errFd) {}
  void JobProgress(const std::string& label, const std::string& count) override { progress_.Show(label, count); }
  void JobRunsDone(std::size_t done, std::size_t planned) override { progress_.Done(done, planned); }
  void ClearProgress() { progress_.Clear(); }
  void JobBusyCursor(bool) override {}
  void JobPutClipboard(const std::string&) override {}  // no clipboard output in batch mode
  void JobException(const std::string& utf8Message) override {
    std::lock_guard<std::mutex> lock(mu_);
    exception_ = utf8Message;
  }
  void JobEnded() override {
    std::lock_guard<std::mutex> lock(mu_);
    ended_ = true;
    cv_.notify_all();
  }
  bool Ended() {
    std::lock_guard<std::mutex> lock(mu_);
    return ended_;
  }
  std::string Exception() {
    std::lock_guard<std::mutex> lock(mu_);
    return exception_;
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool ended_ = false;
  std::string exception_;
  TProgressLine progress_;
};

struct BatchOptions {
  std::optional<QString> script, oneLiner, prefix, out, option;
  QString quote = "single", input = "files", output = "screen";
  bool singleCommandLine = false;
  std::optional<int> parallel;
  std::optional<TextEncoding> encoding;
  std::optional<CrLfInput> crlf;
  QStringList inputs;
  bool help = false;
};

// Reads the options; an empty answer means they were understood.
QString ParseOptions(const QStringList& args, BatchOptions& o) {
  QStringList withValue;
  for (const BatchOptionName& n : kBatchOptionNames)
    if (n.TakesValue) withValue << QString::fromLatin1(n.Name);
  bool optionsEnded = false;
  for (int i = 0; i < args.size(); ++i) {
    QString a = args[i];
    if (optionsEnded || !a.startsWith("-") || a == "-") {
      o.inputs << a;
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "--single-command-line") {
      o.singleCommandLine = true;
      continue;
    }
    QString name = a, value;
    bool hasValue = false;
    int eq = a.indexOf('=');
    if (a.startsWith("--") && eq > 2) {
      name = a.left(eq);
      value = a.mid(eq + 1);
      hasValue = true;
    }
    if (!withValue.contains(name)) return U("不明なオプションです: %1").arg(a);
    if (!hasValue) {
      if (i + 1 >= args.size()) return U("%1 には値が必要です").arg(name);
      value = args[++i];
    }
    auto oneOf = [&](const QStringList& allowed, QString& into) {
      if (!allowed.contains(value)) return U("%1 の値は %2 のどれかです: %3").arg(name, allowed.join("|"), value);
      into = value;
      return QString();
    };
    QString bad;
    if (name == "--script") o.script = value;
    else if (name == "--one-liner") o.oneLiner = value;
    else if (name == "--prefix") o.prefix = value;
    else if (name == "--out") o.out = value;
    else if (name == "--option") o.option = value;
    else if (name == "--quote") bad = oneOf({"single", "double"}, o.quote);
    else if (name == "--input") bad = oneOf({"files", "null"}, o.input);
    else if (name == "--output") bad = oneOf({"new", "overwrite", "append", "screen", "null"}, o.output);
    else if (name == "--parallel") {
      bool ok = false;
      int n = value.toInt(&ok);
      if (!ok || n < 1) return U("--parallel の値は 1 以上の整数です: %1").arg(value);
      o.parallel = n;
    } else if (name == "--encoding") {
      o.encoding = ParseEncodingName(value.toStdString());
      if (!o.encoding) return U("--encoding の値は CP932|UTF-8 のどちらかです: %1").arg(value);
    } else if (name == "--crlf") {
      QString v;
      bad = oneOf({"auto", "always", "never"}, v);
      o.crlf = ParseCrLfInput(v.toStdString());
    }
    if (!bad.isEmpty()) return bad;
  }
  if (o.script && o.oneLiner) return U("--script と --one-liner は同時に指定できません");
  if (o.input == "null" && !o.inputs.isEmpty()) return U("--input null のときは入力ファイルを指定できません");
  return QString();
}

// A script of the scripts folder (with the extension added when the name
// has none there), or a path.
QString ResolveScript(const ProgramPaths& paths, const QString& name, const std::string& ext) {
  const QString scripts = QFile::decodeName(paths.ScriptsFolder().c_str());
  if (name.contains('/') && QFileInfo::exists(name)) return name;
  const QString inFolder = JoinPath(scripts, name);
  if (QFileInfo::exists(inFolder)) return inFolder;
  const QString withExt = inFolder + ToQString(ext);
  if (!ext.empty() && QFileInfo::exists(withExt)) return withExt;
  return name.contains('/') ? name : inFolder;
}

}  // namespace

bool IsBatchCommandLine(int argc, char** argv) { return argc > 1 && std::strcmp(argv[1], "--run") == 0; }

QString BatchUsage() {
  return U(
      "使い方: tolvan --run [オプション] [入力ファイルまたはフォルダ...]\n"
      "ウィンドウを出さずにジョブを1つ実行します。\n"
      "  --script 名前           scripts フォルダのスクリプト(拡張子は省略可)、またはパス\n"
      "  --one-liner テキスト    一行スクリプト\n"
      "  --quote single|double   一行スクリプトを囲む引用符(既定 single)\n"
      "  --input files|null      入力(既定 files): 入力ファイルは残りの引数、フォルダはその中のファイル\n"
      "                          (名前順。隠しファイルとサブフォルダは除く)\n"
      "  --output new|overwrite|append|screen|null\n"
      "                          出力(既定 screen): 1 Files(new)、2 File(単一上書)、3 File(単一追加)、4 Screen、6 Null\n"
      "  --prefix テキスト       new のときの PreFix(既定は設定ファイルの Pref)\n"
      "  --out ファイル          overwrite と append の出力ファイル\n"
      "  --option テキスト       gawk のオプション\n"
      "  --single-command-line   すべての入力ファイルを1回の gawk 実行に渡す\n"
      "  --parallel 数           同時に動かす gawk の数(既定 1、最大はコア数)\n"
      "  --encoding CP932|UTF-8  一行スクリプトとオプションの文字コード(既定は設定ファイルの Encoding)。\n"
      "                          スクリプトファイルはそのファイルの文字コードで実行します\n"
      "  --crlf auto|always|never\n"
      "                          CR LF を行末として読む(既定は設定ファイルの CrLfInput、なければ auto):\n"
      "                          auto は入力に CR LF があるとき、gawk に -v 'RS=\\r?\\n' を渡します\n"
      "  --help                  この使い方を表示します\n"
      "  --                      これより後はすべて入力ファイル\n"
      "gawk の場所、拡張子、PreFix、ロケールは設定ファイルから読みます(実行ファイルのフォルダに書き込める\n"
      "コピーでは実行ファイル + .INI、インストールしたものでは ~/.config/tolvan/tolvan.INI)。\n"
      "4 Screen と 6 Null の出力は標準出力へ、エラーの内容は標準エラーへ出します。\n"
      "終了コード: 0 エラーなし、1 gawk のエラーあり、名前が UTF-8 でないファイルを除いた(0 以外で終わった gawk は標準エラーに\n"
      "「gawk の終了コード N: 入力ファイル」、入力ファイルのない実行ではコードだけ)、\n"
      "2 チェックやオプションの誤り(スクリプトファイルがないときも)、\n"
      "3 出力またはエラーの内容を標準出力・標準エラーに書き込めなかった。\n"
      "標準出力を先に閉じられると(| head -1 など)、Unix のコマンドと同じく SIGPIPE で終わります(シェルでは 141)。");
}

QString ProgramUsage() {
  return U(
             "使い方: tolvan [入力ファイルまたはフォルダ...]\n"
             "メインウィンドウを開き、指定したファイルと、フォルダの中のファイルを入力ファイルに加えます。\n"
             "すでに起動しているときは、指定したものをそのウィンドウの入力ファイルに加え、そのウィンドウを前面に出して終わります。\n"
             "  tolvan --help      この使い方を表示します\n"
             "  tolvan --version   バージョンを表示します\n"
             "\n") +
         BatchUsage();
}

std::optional<int> RunWithoutWindow(int argc, char** argv, std::FILE* outFile, std::FILE* errFile) {
  if (IsBatchCommandLine(argc, argv)) {
    QStringList args;
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return RunBatch(ProgramPaths::FromRunningExecutable(), args, outFile, errFile);
  }
  if (argc != 2) return std::nullopt;
  const std::string a = argv[1];
  QString text;
  if (a == "--help" || a == "-h") text = ProgramUsage();
  else if (a == "--version") text = QString("Tolvan %1").arg(TOLVAN_VERSION);
  else return std::nullopt;
  Stream out(outFile), err(errFile);
  if (Say(out, text)) return kBatchOk;
  Say(err, U("標準出力に書き込めませんでした: %1").arg(QString::fromStdString(FileErrorReason(errno))));
  return kBatchOutputLost;
}

int RunBatch(const ProgramPaths& paths, const QStringList& arguments, std::FILE* outFile, std::FILE* errFile) {
  Stream out(outFile), err(errFile);
  // Output that did not arrive is never success: said on standard error
  // when that still works.
  auto lost = [&](const char* what) {
    Say(err, U("%1に書き込めませんでした: %2").arg(U(what), QString::fromStdString(FileErrorReason(errno))));
    return kBatchOutputLost;
  };
  BatchOptions o;
  QString wrong = ParseOptions(arguments, o);
  if (o.help && wrong.isEmpty()) return Say(out, BatchUsage()) ? kBatchOk : lost("標準出力");
  if (!wrong.isEmpty()) {
    Say(err, wrong);
    Say(err, U("tolvan --run --help で使い方を表示します"));
    return kBatchRefused;
  }
  auto refuse = [&](const QString& text) {
    Say(err, text);
    return kBatchRefused;
  };

  // First start makes the folders as the window would; a folder that cannot
  // be made is told, and the run goes on.
  for (const FolderProblem& p : MakeProgramFiles(paths).problems) Say(err, QString::fromStdString(FolderProblemText(p)));
  IniFile ini(paths.SettingsFile());
  MainSettings settings = LoadMainSettings(ini);
  FindAwkUntilStored(ini, settings);
  if (const std::string standIn = StandInForUnusableAwk(settings); !standIn.empty())
    Say(err, QString::fromStdString(standIn));
  const int outputIndex = QStringList{"new", "overwrite", "append", "screen", "clipboard", "null"}.indexOf(o.output);
  const int inputIndex = o.input == "null" ? imNull : imFile;

  // The checks of Run, in their order.
  if (settings.Path.empty()) return refuse(U("awk.exeが指定されていません"));
  const bool oneLiner = o.oneLiner.has_value();
  if (!oneLiner && o.script.value_or(QString()).isEmpty()) return refuse(U("スクリプトファイルが指定されていません"));
  if (oneLiner && o.oneLiner->isEmpty()) return refuse(U("スクリプトが指定されていません"));

  CommandLineInputs in;
  in.AwkPath = Native(ToQString(settings.Path));
  in.OneLiner = oneLiner;
  in.DoubleQuote = o.quote == "double";
  if (!oneLiner) {
    const QString script = ResolveScript(paths, *o.script, settings.Ext);
    // Refused like a missing input: a script author expects "nothing ran".
    if (!QFileInfo::exists(script)) return refuse(U("スクリプトファイルがありません：\n") + script);
    in.ScriptPath = Native(script);
  }
  const TextEncoding preferred = o.encoding.value_or(settings.Encoding);
  const TextEncoding encoding = oneLiner ? preferred : ScriptFileEncoding(in.ScriptPath, preferred);
  QString failed;
  auto options = Encode(encoding, o.option.value_or(QString()), &failed);
  std::optional<std::string> oneLinerText;
  if (oneLiner && options) oneLinerText = Encode(encoding, *o.oneLiner, &failed);
  if (!options || (oneLiner && !oneLinerText))
    return refuse(U("「%1」はShift-JISで表せない文字なので、gawkに渡せません").arg(failed));
  in.Options = *options;
  if (oneLiner) in.OneLinerText = *oneLinerText;
  ComposeResult composed = ComposeBaseCommandLine(in);
  if (!composed.Ok) return refuse(QString::fromStdString(composed.Error));

  // Inputs as the window takes command-line parameters. A file whose name
  // is not UTF-8 is left out, as the window leaves it out, and named; the
  // job then ends with 1 at best. A name that names nothing is refused.
  QStringList inputs, leftOut, missing;
  for (const QString& parameter : o.inputs) {
    const qsizetype before = leftOut.size();
    QStringList got = ExpandCommandLineParameter(parameter, &leftOut);
    if (got.isEmpty() && leftOut.size() == before && !QFileInfo(parameter).isDir()) missing << parameter;
    inputs << got;
  }
  if (!missing.isEmpty()) return refuse(U("入力ファイルがありません：\n") + missing.join("\n"));
  if (!leftOut.isEmpty() &&
      !Say(err, U("次のファイルは名前がUTF-8でないので、入力ファイルに加えられません。名前をUTF-8に変えてください：\n") +
                    leftOut.join("\n")))
    return kBatchOutputLost;

  const QString prefix = o.prefix.value_or(ToQString(settings.Pref));
  const QString outputFile = o.out.value_or(QString());
  RunTargets targets;
  targets.Input = inputIndex;
  targets.Output = outputIndex;
  targets.Inputs = inputs;
  targets.Prefix = prefix;
  targets.OutputFile = outputFile;
  targets.SingleCommandLine = o.singleCommandLine;
  QString refusal = CheckRunTargets(targets);
  if (!refusal.isEmpty()) return refuse(refusal);

  TJobRecord record;
  record.Base = composed.Line;
  record.OutputMode = outputIndex;
  record.InputMode = inputIndex;
  record.SingleCommandLine = o.singleCommandLine;
  record.OutputName = outputIndex == 0 ? Native(prefix) : Native(outputFile);
  for (const QString& p : inputs) record.InputList.push_back(Native(p));
  record.Encoding = encoding;
  const JobLocale locale = LocaleForJob(ini, encoding);
  if (locale.SayProblem && !Say(err, QString::fromStdString(LocaleProblemText(locale.Problem)))) return kBatchOutputLost;
  record.Locale = locale.Locale;
  record.Parallel = ClampParallel(o.parallel.value_or(1));
  record.CrLf = o.crlf.value_or(settings.CrLf);

  BatchHost host(::fileno(err.f));
  std::string outText, errText;
  std::vector<std::string> exits;
  {
    // Ctrl+C, a hang-up or a kill from a scheduler cancels the job as the
    // window's cancel button does: the gawk runs are in process groups of
    // their own, so the terminal's signal never reaches them, and leaving
    // here without stopping them would leave them running. The signals are
    // blocked before the job's threads exist, so only this wait takes them.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, sig);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    TThreadDoJob job(std::move(record), host, outText, errText);
    job.Start();
    while (!host.Ended()) {
      const timespec cycle{0, 50 * 1000 * 1000};
      if (sigtimedwait(&stops, nullptr, &cycle) > 0) job.Terminate();
    }
    job.WaitFor();
    exits = job.ExitStatuses();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
  }
  host.ClearProgress();
  bool delivered = true;
  if ((outputIndex == omScreen || outputIndex == omNull) && !Write(out, outText)) {
    lost("標準出力");
    delivered = false;
  }
  if (!Write(err, ForTerminal(errText, encoding))) delivered = false;
  for (const std::string& line : exits)
    if (!Write(err, line + "\n")) delivered = false;
  const std::string exception = host.Exception();
  if (!exception.empty() && !Say(err, QString::fromStdString(exception))) delivered = false;
  if (!delivered) return kBatchOutputLost;
  return errText.empty() && exception.empty() && exits.empty() && leftOut.isEmpty() ? kBatchOk : kBatchJobFailed;
}

}  // namespace tolvan
