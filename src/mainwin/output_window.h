// The output window: gawk's error text, its standard output, or the usage
// text of "AwkOptions". Created hidden with the main window and only ever
// hidden again, never closed, while the program runs.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "core/encoding.h"
#include "core/shared_bytes.h"

class QAction;
class QLabel;
class QMenu;

namespace tolvan {

class TEditorWidget;

class TfrmError : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmError(QWidget* parent = nullptr);

  // Texts are bytes in the job's encoding, decoded only for showing.
  void ShowErrorForm(const std::string& errorText, TextEncoding encoding = TextEncoding::Cp932);
  void ShowStandardOutputForm(const std::string& outputText, TextEncoding encoding = TextEncoding::Cp932);
  // The same without copying: the text area reads from outputText.
  void ShowStandardOutputForm(const TSharedBytes& outputText, TextEncoding encoding = TextEncoding::Cp932);
  // "AwkOptions": with standard error text, the options form holding it;
  // otherwise the standard output added as one more line.
  void ShowAwkOptions(const std::string& stdoutBytes, const std::string& stderrBytes);

  // Under the heading: the gawk runs that exited non-zero (empty: none).
  void SetExitNote(const QString& note);
  QString ExitNote() const;

  QString Heading() const;
  QString HeadingColour() const;  // colour name of the heading, e.g. "#ff0000"
  QString Text() const;
  // The encoding of what the text area holds.
  TextEncoding Encoding() const { return encoding_; }
  // The text area's bytes, line ends as CR LF.
  std::string TextBytes() const;
  TEditorWidget* TextArea() const { return Memo1; }

 signals:
  // Hidden and emptied: what it showed may be freed.
  void Cleared();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void SetHeading(const QString& text, const QColor& colour);
  void Present();
  void HideAndClear();
  void Load(const TSharedBytes& text, TextEncoding encoding);

  TextEncoding encoding_ = TextEncoding::Cp932;
  QLabel* Label1;
  QLabel* lblExit;
  TEditorWidget* Memo1;
  QMenu* menu_;
};

// The small window that says a job ended with nothing to show; it goes away
// by itself shortly after it was shown. A note names gawk runs that exited
// non-zero.
class TfrmDone : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDone(QWidget* parent = nullptr, const QString& exitNote = QString());
  QString ExitNote() const;

 private:
  QLabel* lblExit = nullptr;
};

}  // namespace tolvan
