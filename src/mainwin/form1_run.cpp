// Run: the checks in their fixed order, the job record, the job thread, and
// the end of the job.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/file_errors.h"
#include "core/files.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "job/command_line.h"
#include "job/job_locale.h"
#include "job/job_record.h"
#include "job/option_runner.h"
#include "job/script_prep.h"
#include "job/thread_do_job.h"
#include "mainwin/combo_bytes.h"
#include "mainwin/form1.h"
#include "mainwin/elided_label.h"
#include "run/input_files.h"
#include "mainwin/input_list_widgets.h"
#include "mainwin/job_bridge.h"
#include "mainwin/output_window.h"
#include "run/run_checks.h"
#include "mainwin/script_catalogue.h"

namespace tolvan {

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }

// The runs that exited non-zero, for the end of the job: the first few, and
// how many more.
QString ExitNote(const std::vector<std::string>& exits) {
  constexpr std::size_t kShown = 5;
  QStringList lines;
  for (std::size_t i = 0; i < exits.size() && i < kShown; ++i) lines << QString::fromStdString(exits[i]);
  if (exits.size() > kShown) lines << U("ほか %1 件").arg(exits.size() - kShown);
  return lines.join('\n');
}

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

void TForm1::RunScript() {
  if (job_) return;  // one job at a time
  if (!RunChecks()) return;
  StartJob();
}

bool TForm1::RunChecks() {
  auto refuse = [this](const QString& text) {
    Messages().BeepError(this, text);
    return false;
  };

  if (settings_.Path.empty()) return refuse(U("awk.exeが指定されていません"));
  outputIndex_ = cmbOutput->currentIndex();
  inputIndex_ = cmbInput->currentIndex();

  bool oneLiner = radioOneLiner->isChecked();
  if (!oneLiner && cmbFile->currentText().isEmpty()) return refuse(U("スクリプトファイルが指定されていません"));
  if (oneLiner && cmbOneLiner->currentText().isEmpty()) return refuse(U("スクリプトが指定されていません"));

  // The job's encoding: a script file's own (pure ASCII reads as either),
  // else the setting's. The option box and the one-liner go to gawk in it.
  jobEncoding_ = oneLiner ? settings_.Encoding : ScriptFileEncoding(Native(CurrentScriptPath()), settings_.Encoding);

  // The base command line and the option history.
  CommandLineInputs in;
  in.AwkPath = Native(ToQString(settings_.Path));
  QString failed;
  auto options = OptionBytes(jobEncoding_, &failed);
  std::optional<std::string> oneLinerText;
  in.OneLiner = oneLiner;
  in.DoubleQuote = cmbSep->currentIndex() == 1;
  if (oneLiner) {
    if (options) {
      oneLinerText = jobEncoding_ == TextEncoding::Cp932 ? EditTextBytes(cmbOneLiner, &failed)
                                                         : Encode(jobEncoding_, cmbOneLiner->currentText(), &failed);
    }
    in.OneLinerText = oneLinerText.value_or(std::string());
  } else {
    in.ScriptPath = Native(CurrentScriptPath());
  }
  in.Options = options.value_or(std::string());
  if (auto historyText = OptionHistoryBytes(options)) {
    std::vector<std::string> history;
    for (int i = 0; i < cmbOpt->count(); ++i)
      history.push_back(ItemBytes(cmbOpt, i).value_or(ToCp932Lossy(cmbOpt->itemText(i))));
    std::vector<std::string> before = history;
    UpdateOptionHistory(history, *historyText);
    if (history != before) {
      QSignalBlocker block(cmbOpt);
      cmbOpt->clear();
      for (const std::string& h : history) InsertStoredItem(cmbOpt, -1, h);
      cmbOpt->setCurrentIndex(0);
    }
  }
  if (!options || (oneLiner && !oneLinerText))
    return refuse(U("「%1」はShift-JISで表せない文字なので、gawkに渡せません").arg(failed));
  ComposeResult composed = ComposeBaseCommandLine(in);
  if (!composed.Ok) return refuse(QString::fromStdString(composed.Error));
  baseCommandLine_ = composed.Line.Text;
  composedLine_ = composed.Line;

  if (inputIndex_ == 1) {
    if (QApplication::clipboard()->text().isEmpty()) return refuse(U("クリップボードにテキストがありません！"));
    if (!WriteClipboardFile()) return refuse(U("クリップボードからテキストが取得できませんでした"));
  }
  RunTargets targets;
  targets.Input = inputIndex_;
  targets.Output = outputIndex_;
  for (int i = 0; i < lstInputFiles->count(); ++i) targets.Inputs << lstInputFiles->item(i)->text();
  targets.Prefix = memPreFix->text();
  targets.OutputFile = outputFileName_ = edtOutFName->text();
  targets.SingleCommandLine = singleCommandLine_ = chkSCmdLn->isChecked();
  QString refusal = CheckRunTargets(targets);
  if (!refusal.isEmpty()) return refuse(refusal);
  return true;
}

std::optional<std::string> TForm1::OptionBytes(TextEncoding e, QString* failed) const {
  if (e != TextEncoding::Cp932) return Encode(e, cmbOpt->currentText(), failed);
  // Text shown from stored bytes (the settings file's or a history entry's)
  // stands for those bytes.
  if (cmbOpt->currentText() == ToQString(settings_.Option)) return settings_.Option;
  return EditTextBytes(cmbOpt, failed);
}

std::optional<std::string> TForm1::OptionHistoryBytes(const std::optional<std::string>& jobBytes) const {
  if (!jobBytes) return std::nullopt;
  if (jobEncoding_ == TextEncoding::Cp932) return jobBytes;
  if (cmbOpt->currentText() == ToQString(settings_.Option)) return settings_.Option;
  return EditTextBytes(cmbOpt);
}

bool TForm1::WriteClipboardFile() {
  QString text = QApplication::clipboard()->text();
  int nul = text.indexOf(QChar(0));
  if (nul >= 0) text.truncate(nul);
  clipboardFile_ = QFile::decodeName(paths_.ClipboardInputFile().c_str());
  QString failed;
  auto bytes = Encode(jobEncoding_, text, &failed);
  if (!bytes) {
    Messages().Plain(this, U("EConvertError「%1」はShift-JISで表せない文字です").arg(failed));
    return false;
  }
  // The clipboard may hold private text.
  if (!WriteFileAtomically(paths_.ClipboardInputFile(), *bytes, FileAccess::Private)) {
    Messages().Plain(this, U("EFCreateErrorファイル %1 を作成できません。%2")
                               .arg(clipboardFile_, QString::fromStdString(FileErrorReason(errno))));
    return false;
  }
  return true;
}

std::string TForm1::JobLocaleFor(TextEncoding e) const {
  const JobLocale locale = LocaleForJob(IniFile(paths_.SettingsFile()), e);
  if (locale.SayProblem)
    Messages().Show(const_cast<TForm1*>(this), QMessageBox::Warning, QString(),
                    QString::fromStdString(LocaleProblemText(locale.Problem)));
  return locale.Locale;
}

void TForm1::StartJob() {
  outputText_.clear();
  shownOutput_ = {};
  screenOutput_ = {};
  errorText_.clear();
  btnTerminate->show();
  btnTerminate->repaint();
  btnRun->setEnabled(false);
  mnuRun->setEnabled(false);

  TJobRecord record;
  record.Base = composedLine_;
  record.OutputMode = outputIndex_;
  record.InputMode = inputIndex_;
  record.SingleCommandLine = chkSCmdLn->isChecked();
  record.OutputName = outputIndex_ == 0 ? Native(memPreFix->text()) : Native(outputFileName_);
  // The job works on a copy of the list taken now; the list stays editable.
  for (int i = 0; i < lstInputFiles->count(); ++i) record.InputList.push_back(Native(lstInputFiles->item(i)->text()));
  record.ClipboardFile = Native(clipboardFile_);
  record.Encoding = jobEncoding_;
  record.Locale = JobLocaleFor(jobEncoding_);
  record.Parallel = settings_.Parallel;
  record.CrLf = settings_.CrLf;

  bridge_->Open();
  job_ = std::make_unique<TThreadDoJob>(std::move(record), *bridge_, outputText_, errorText_, &screenOutput_);
  job_->Start();
}

void TForm1::ShowProgress(const QString& label, const QString& count) {
  lblNN->setText(count);
  lblProc_fname->SetFullText(label);
  lblNN->show();
  lblProc_fname->show();
  lblNN->repaint();
  lblProc_fname->repaint();
}

void TForm1::ShowRunsDone(std::size_t done, std::size_t planned) {
  if (planned < 2 || !job_) return;  // a late call after the end shows nothing
  const int max = static_cast<int>(std::min<std::size_t>(planned, INT_MAX));
  pbRuns->setRange(0, max);
  pbRuns->setValue(static_cast<int>(std::min<std::size_t>(done, static_cast<std::size_t>(max))));
  pbRuns->show();
}

void TForm1::EndOfJob() {
  if (closing_ || !job_) return;
  job_->WaitFor();
  const int outputMode = job_->Record().OutputMode;  // not the window's choice now
  const TextEncoding encoding = job_->Record().Encoding;
  const QString exitNote = ExitNote(job_->ExitStatuses());
  baseCommandLine_ = job_->Record().Base.Text;  // what ran, as the job completed it
  job_.reset();
  RestoreCursor();
  TSharedBytes screen = std::move(screenOutput_);
  screenOutput_ = {};
  frmError_->SetExitNote(exitNote);
  if (!errorText_.empty()) frmError_->ShowErrorForm(errorText_, encoding);
  else if (outputMode == omScreen || !outputText_.empty()) {
    // The output window reads the collected bytes where they are: "4 Screen"
    // output in the memory file gawk wrote it to.
    shownOutput_ = outputMode == omScreen ? std::move(screen) : TSharedBytes::FromString(std::move(outputText_));
    outputText_.clear();
    frmError_->ShowStandardOutputForm(shownOutput_, encoding);
  }
  else ShowDoneWindow(exitNote);
  lblNN->hide();
  pbRuns->hide();
  pbRuns->reset();
  lblProc_fname->hide();
  btnTerminate->hide();
  UpdateRunButton();
  emit JobFinished();
}

void TForm1::ShowDoneWindow(const QString& exitNote) {
  auto* done = new TfrmDone(this, exitNote);
  done->adjustSize();
  done->move(geometry().center() - done->rect().center());
  done->show();
  frmDone_ = done;
  // Goes away by itself once more than 500 ms have passed; a note that a
  // run failed stays long enough to be read.
  QTimer::singleShot(exitNote.isEmpty() ? 501 : 5000, done, [done] { done->deleteLater(); });
}

void TForm1::TerminateJob() {
  if (!job_) return;
  auto answer = Messages().Ask(this, QMessageBox::Warning, QString(), U("強制終了しますか？"),
                               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
  if (answer == QMessageBox::Ok && job_) job_->Terminate();
}

void TForm1::WaitForJob() {
  while (job_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
}

void TForm1::ShowAwkOptions() {
  std::string out, err;
  if (settings_.Path.empty()) {
    frmError_->ShowAwkOptions(out, err);  // nothing to run: an empty line
    return;
  }
  std::string awk = Native(ToQString(settings_.Path));
  RunOptionRunner(awk, LoadAwkLocale(IniFile(paths_.SettingsFile())), out, err,
                  [] { QCoreApplication::processEvents(); });
  frmError_->ShowAwkOptions(out, err);
}

}  // namespace tolvan
