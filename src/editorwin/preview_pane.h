// The editor window's preview: the script as it stands in the editor,
// saved or not, run by gawk on a sample a moment after each change, its
// output and its messages shown beside the text. Runs go through the job
// layer's preview runner on its own thread; the window never waits for
// gawk. Nothing here touches the main window's job, output window or
// settings.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colouring/row_state.h"
#include "job/gawk_messages.h"
#include "job/preview_runner.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPainter;

namespace tolvan {

class TEditorWidget;
class TOutputText;
struct TDrawLineInfo;

// What a preview runs with, read from the main window for every run, as a
// Run would read it.
struct TPreviewContext {
  std::string AwkPath;  // file-system bytes; empty: none set
  // The option box text in Encoding; nullopt when it holds a character
  // that encoding cannot, with Refusal saying which.
  std::optional<std::string> Options = std::string();
  QString Refusal;
  std::string Locale = "C";
  QString FirstSelectedInput;  // empty: no input file selected
  // The script's: the options, the clipboard sample, the output and gawk's
  // messages are in it.
  TextEncoding Encoding = TextEncoding::Cp932;
  CrLfInput CrLf = CrLfInput::Auto;  // AWKEXE CrLfInput
};

// The row mark that flags the row gawk's message names.
inline constexpr TRowMark kPreviewErrorMark = rm15;

class TPreviewPane : public QWidget {
  Q_OBJECT
 public:
  enum SampleChoice { SampleSelectedInput = 0, SampleFile = 1, SampleClipboard = 2, SampleNone = 3 };

  // scriptName: what gawk's messages should call the script (the window's
  // file, or its caption when untitled).
  TPreviewPane(TEditorWidget& editor, std::function<TPreviewContext()> context,
               std::function<QString()> scriptName, QWidget* parent = nullptr);
  ~TPreviewPane() override;

  // Starts previewing (one run at once) or stops (the run is killed, the
  // row mark taken away).
  void Start();
  void Stop();
  bool Active() const { return active_; }

  // Runs again after the pause; every change of the text calls it.
  void TextChanged();
  // The pause between the last change and the run.
  static constexpr int kPauseMs = 400;

  void SetSample(SampleChoice choice);
  // Runs with --lint (the window's syntax check is on); what gawk says
  // about the run goes to OnRunMessages.
  bool Lint = false;
  std::function<void(std::vector<GawkMessage>)> OnRunMessages;
  // Answers the file chooser of "ファイル…"; replaceable for tests.
  std::function<QString(QWidget*)> ChooseSampleFile;

  // What the pane shows (for tests and the window).
  std::string OutputBytes() const;
  QStringList ErrorLines() const;
  QString Status() const;
  // The editor row flagged by the last run, -1 when none.
  int ErrorRow() const;
  bool Running() const { return runningRun_ != 0; }

  TOutputText* OutputView() const { return output_; }
  QListWidget* ErrorView() const { return errors_; }
  QComboBox* SampleBox() const { return sample_; }
  SampleChoice Sample() const;
  QString ChosenFile() const { return chosenFile_; }

  // The editor's row hook calls this for each row: the flagged row gets a
  // red wavy line under it.
  static void DrawErrorMark(QPainter& painter, const TDrawLineInfo& info, const TEditorWidget& editor);

 signals:
  // A run's result is shown (output, messages, the row mark).
  void RunShown();
  // The first output of a run has been painted.
  void OutputPainted();

 private:
  class Sink;
  void RunNow();
  void ShowOutput(std::uint64_t run, std::string bytes);
  void ShowEnd(const PreviewResult& result);
  void ClearErrorMark();
  void ErrorClicked(QListWidgetItem* item);
  // keepView: the same run's text has grown; the reader's scroll position
  // and caret stay where they were.
  void Reload(bool keepView = false);
  void SetStatus(const QString& text, bool warning);

  TEditorWidget& editor_;
  std::function<TPreviewContext()> context_;
  std::function<QString()> scriptName_;
  QComboBox* sample_ = nullptr;
  QLabel* sampleName_ = nullptr;
  QLabel* status_ = nullptr;
  QListWidget* errors_ = nullptr;
  TOutputText* output_ = nullptr;
  QTimer pause_;
  QTimer refresh_;
  QString chosenFile_;
  QString note_;  // said about the sample of the run under way
  std::string shownScriptName_;  // CP932, as the last run named the script
  std::string buffer_;           // the run's output so far
  bool bufferIsNewest_ = false;  // buffer_ holds bytes of runningRun_
  bool paintPending_ = false;
  bool active_ = false;
  std::uint64_t runningRun_ = 0;
  std::unique_ptr<Sink> sink_;
  std::unique_ptr<TPreviewRunner> runner_;
};

// The sample a run of the editor's script reads, as the preview pane's
// choice names it: set into request (Sample, SamplePath, SampleText).
struct TSampleChoice {
  QString Shown;    // the file's name, for the pane
  QString Note;     // said about the choice (no input selected)
  QString Refusal;  // not runnable (an empty clipboard)
};
TSampleChoice ChooseSample(TPreviewPane::SampleChoice choice, const TPreviewContext& ctx, const QString& chosenFile,
                           PreviewRequest& request);

}  // namespace tolvan
