// Find and replace of an editor window: the find and replace dialogs and the
// commands that search the window's control with the texts they collect.
// Searches go from the caret (or behind the selection) and never wrap.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <functional>
#include <string>

#include "core/encoding.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tolvan {

class TEditorWidget;

// Asks for the text to find. The combo box starts with findText and lists
// the history; Find writes findText (in the document's encoding e) and
// adds a new text to the history.
class TfrmFind : public QDialog {
  Q_OBJECT
 public:
  TfrmFind(std::string& findText, QStringList& findHistory, QWidget* owner,
           TextEncoding e = TextEncoding::Cp932);

  void btnFindClick();

  QLabel* Label1;
  QComboBox* ComboBox1;
  QPushButton* btnFind;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::string& findText_;
  QStringList& history_;
  TextEncoding encoding_;
};

// Asks for the text to find and its replacement; the two buttons say
// whether every later match is replaced.
class TfrmReplace : public QDialog {
  Q_OBJECT
 public:
  TfrmReplace(std::string& findText, std::string& replaceText, bool& replaceAll, QStringList& findHistory,
              QStringList& replaceHistory, QWidget* owner, TextEncoding e = TextEncoding::Cp932);

  void btnReplaceClick();
  void btnReplaceAllClick();

  QLabel* Label1;
  QComboBox* ComboBox1;
  QLabel* Label2;
  QComboBox* ComboBox2;
  QPushButton* btnReplace;
  QPushButton* btnReplaceAll;
  QPushButton* btnCancel;

 private:
  void Accept(bool all);
  void UpdateButtons();

  std::string& findText_;
  std::string& replaceText_;
  bool& replaceAll_;
  QStringList& findHistory_;
  QStringList& replaceHistory_;
  TextEncoding encoding_;
};

class TFindReplace {
 public:
  TFindReplace(TEditorWidget& editor, QStringList& findHistory, QStringList& replaceHistory, QWidget* owner);

  void Find();
  void FindNext();
  void FindUp();
  void Replace();
  void ReplaceNext();

  // In the document's encoding; carried over (or dropped when they cannot
  // be) when the document changes encoding.
  std::string FindText, ReplaceText;

  // Shows the dialogs modally; tests replace it to drive them.
  std::function<int(QDialog&)> ExecDialog;

 private:
  void ReplaceAll();
  bool AskReplaceHit();
  void ReplaceHit();
  // The document's encoding, the texts brought into it first.
  TextEncoding TextsEncoding();
  TextEncoding textsEncoding_ = TextEncoding::Cp932;

  TEditorWidget& editor_;
  QStringList& findHistory_;
  QStringList& replaceHistory_;
  QWidget* owner_;
};

// Where the replace-all question stands: above the caret's row, or below
// it when there is no room above; moved left when it would leave the
// screen on the right. caret and the result are global pixels; screen is
// the geometry of the caret's screen.
QPoint ReplaceQuestionPosition(QPoint caret, QSize box, int rowHeight, const QRect& screen);

}  // namespace tolvan
