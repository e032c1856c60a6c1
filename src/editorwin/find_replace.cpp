#include "editorwin/find_replace.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <exception>
#include <typeinfo>

#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "editor/view/editor_widget.h"

#include <cxxabi.h>

namespace tolvan {

namespace {

QComboBox* HistoryBox(const QStringList& history, const QString& text, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  // The text searched is the text typed: no completion from the history.
  box->setCompleter(nullptr);
  box->addItems(history);
  box->setCurrentIndex(-1);
  box->setEditText(text);
  box->setMinimumWidth(260);
  return box;
}

// Adds text to the history unless the box already lists it in any letter case.
void Remember(const QComboBox* box, QStringList& history, const QString& text) {
  for (int i = 0; i < box->count(); ++i)
    if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return;
  history.append(text);
}

// The demangled class name of what was thrown.
QString ExceptionClassName(const std::exception& ex) {
  const char* mangled = typeid(ex).name();
  int status = 0;
  char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  QString result = QString::fromUtf8(status == 0 && name ? name : mangled);
  std::free(name);
  const int colon = result.lastIndexOf("::");
  return colon >= 0 ? result.mid(colon + 2) : result;
}

const TSearchOptions kDown = SearchBit(sfrDown);

}  // namespace

// ---- the find dialog ----

TfrmFind::TfrmFind(std::string& findText, QStringList& findHistory, QWidget* owner, TextEncoding e)
    : QDialog(owner), findText_(findText), history_(findHistory), encoding_(e) {
  setObjectName("frmFind");
  setWindowTitle(QString::fromUtf8("検索"));
  Label1 = new QLabel(QString::fromUtf8("検索する語を入力してください:"), this);
  ComboBox1 = HistoryBox(findHistory, ToQString(e, findText), this);
  ComboBox1->setObjectName("ComboBox1");
  btnFind = new QPushButton("Find", this);
  btnFind->setObjectName("btnFind");
  btnFind->setDefault(true);
  btnFind->setEnabled(false);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  connect(ComboBox1, &QComboBox::editTextChanged, this,
          [this](const QString& text) { btnFind->setEnabled(!text.isEmpty()); });
  connect(btnFind, &QPushButton::clicked, this, &TfrmFind::btnFindClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(ComboBox1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnFind);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);
}

void TfrmFind::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!ComboBox1->currentText().isEmpty()) btnFind->setEnabled(true);
  ComboBox1->setFocus();
}

void TfrmFind::btnFindClick() {
  if (!btnFind->isEnabled()) return;
  const QString text = ComboBox1->currentText();
  std::optional<std::string> bytes = Encode(encoding_, text);
  if (!bytes) {  // nothing could match it; the text stays for correcting
    Messages().Beep();
    return;
  }
  findText_ = std::move(*bytes);
  Remember(ComboBox1, history_, text);
  accept();
}

// ---- the replace dialog ----

TfrmReplace::TfrmReplace(std::string& findText, std::string& replaceText, bool& replaceAll,
                         QStringList& findHistory, QStringList& replaceHistory, QWidget* owner, TextEncoding e)
    : QDialog(owner),
      findText_(findText),
      replaceText_(replaceText),
      replaceAll_(replaceAll),
      findHistory_(findHistory),
      replaceHistory_(replaceHistory),
      encoding_(e) {
  setObjectName("frmReplace");
  setWindowTitle("frmReplace");
  Label1 = new QLabel(QString::fromUtf8("検索する語:"), this);
  ComboBox1 = HistoryBox(findHistory, ToQString(e, findText), this);
  ComboBox1->setObjectName("ComboBox1");
  Label2 = new QLabel(QString::fromUtf8("置換する語:"), this);
  ComboBox2 = HistoryBox(replaceHistory, QString(), this);
  ComboBox2->setObjectName("ComboBox2");
  btnReplace = new QPushButton(QString::fromUtf8("置換"), this);
  btnReplace->setObjectName("btnReplace");
  btnReplaceAll = new QPushButton(QString::fromUtf8("全て置換"), this);
  btnReplaceAll->setObjectName("btnReplaceAll");
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  // Both start enabled: an empty replacement deletes the matches.
  connect(ComboBox1, &QComboBox::editTextChanged, this, &TfrmReplace::UpdateButtons);
  connect(ComboBox2, &QComboBox::editTextChanged, this, &TfrmReplace::UpdateButtons);
  connect(btnReplace, &QPushButton::clicked, this, &TfrmReplace::btnReplaceClick);
  connect(btnReplaceAll, &QPushButton::clicked, this, &TfrmReplace::btnReplaceAllClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(ComboBox1, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(ComboBox2, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnReplace);
  buttons->addWidget(btnReplaceAll);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

void TfrmReplace::UpdateButtons() {
  const bool on = !ComboBox1->currentText().isEmpty() && !ComboBox2->currentText().isEmpty();
  btnReplace->setEnabled(on);
  btnReplaceAll->setEnabled(on);
}

void TfrmReplace::btnReplaceClick() { Accept(false); }
void TfrmReplace::btnReplaceAllClick() { Accept(true); }

void TfrmReplace::Accept(bool all) {
  if (!(all ? btnReplaceAll : btnReplace)->isEnabled()) return;
  const QString find = ComboBox1->currentText();
  const QString replace = ComboBox2->currentText();
  std::optional<std::string> findBytes = Encode(encoding_, find);
  std::optional<std::string> replaceBytes = Encode(encoding_, replace);
  if (!findBytes || !replaceBytes) {
    Messages().Beep();
    (findBytes ? ComboBox2 : ComboBox1)->setFocus();
    return;
  }
  findText_ = std::move(*findBytes);
  replaceText_ = std::move(*replaceBytes);
  Remember(ComboBox1, findHistory_, find);
  Remember(ComboBox2, replaceHistory_, replace);
  replaceAll_ = all;
  accept();
}

// ---- the commands ----

QPoint ReplaceQuestionPosition(QPoint caret, QSize box, int rowHeight, const QRect& screen) {
  int top = caret.y() - box.height() - rowHeight;
  if (top < screen.top()) top = caret.y() + rowHeight;
  int left = caret.x() + 2;
  if (left + box.width() > screen.x() + screen.width()) left = screen.x() + screen.width() - box.width() - 4;
  return QPoint(left, top);
}

TFindReplace::TFindReplace(TEditorWidget& editor, QStringList& findHistory, QStringList& replaceHistory,
                           QWidget* owner)
    : ExecDialog([](QDialog& d) { return d.exec(); }),
      editor_(editor),
      findHistory_(findHistory),
      replaceHistory_(replaceHistory),
      owner_(owner) {}

TextEncoding TFindReplace::TextsEncoding() {
  const TextEncoding e = editor_.Editor().Lines().Encoding();
  if (e != textsEncoding_) {
    for (std::string* t : {&FindText, &ReplaceText}) {
      EncodeResult carried = Convert(textsEncoding_, e, *t);
      *t = carried.ok ? std::move(carried.bytes) : std::string();
    }
    textsEncoding_ = e;
  }
  return e;
}

void TFindReplace::Find() {
  TEditor& ed = editor_.Editor();
  const TextEncoding e = TextsEncoding();
  FindText = ed.GetSelText();
  TfrmFind dlg(FindText, findHistory_, owner_, e);
  if (ExecDialog(dlg) != QDialog::Accepted) return;
  ed.Search(FindText, kDown);
}

void TFindReplace::FindNext() {
  TextsEncoding();
  editor_.Editor().Search(FindText, kDown);
}

void TFindReplace::FindUp() {
  TextsEncoding();
  editor_.Editor().Search(FindText, 0);
}

void TFindReplace::ReplaceHit() { editor_.Editor().SetSelTextBuf(ReplaceText); }

bool TFindReplace::AskReplaceHit() {
  const QString text =
      QString::fromUtf8("この文字列を ") + ToQString(textsEncoding_, ReplaceText) + QString::fromUtf8(" に置換しますか？");
  return Messages().Ask(owner_, QMessageBox::Question, QString(), text, QMessageBox::Yes | QMessageBox::Cancel,
                        QMessageBox::Yes) == QMessageBox::Yes;
}

void TFindReplace::Replace() {
  TEditor& ed = editor_.Editor();
  const TextEncoding e = TextsEncoding();
  FindText = ed.GetSelText();
  bool all = false;
  TfrmReplace dlg(FindText, ReplaceText, all, findHistory_, replaceHistory_, owner_, e);
  if (ExecDialog(dlg) != QDialog::Accepted) return;
  if (all) {
    ReplaceAll();
    return;
  }
  ReplaceNext();
}

void TFindReplace::ReplaceNext() {
  TextsEncoding();
  if (!editor_.Editor().Search(FindText, kDown)) {
    Messages().Show(owner_, QMessageBox::Information, QString(),
                    ToQString(textsEncoding_, FindText) + QString::fromUtf8("は見つかりませんでした"));
    return;
  }
  if (AskReplaceHit()) ReplaceHit();
}

void TFindReplace::ReplaceAll() {
  TEditor& ed = editor_.Editor();
  TSearchOptions options = SearchBit(sfrDown) | SearchBit(sfrReplaceAll) | SearchBit(sfrReplaceConfirm);
  const QString question = " " + ToQString(textsEncoding_, FindText) + " " + QString::fromUtf8("  を\r\n") + " " +
                           ToQString(textsEncoding_, ReplaceText) + " " + QString::fromUtf8("  に 置き換えますか？");
  try {
    while (ed.Search(FindText, options)) {
      if (options & SearchBit(sfrReplaceConfirm)) {
        const TPoint caret = ed.CaretPoint();
        const QPoint global = editor_.viewport()->mapToGlobal(QPoint(caret.X, caret.Y));
        QScreen* screen = editor_.screen();
        const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        const int rowHeight = ed.GetRowHeight();
        const auto answer = Messages().AskPlaced(
            owner_, QMessageBox::Question, QString(), question,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll, QMessageBox::Yes,
            [&](QSize box) { return ReplaceQuestionPosition(global, box, rowHeight, area); });
        switch (answer) {
          case QMessageBox::Yes:
            ReplaceHit();
            break;
          case QMessageBox::YesToAll:
            ReplaceHit();
            options &= static_cast<TSearchOptions>(~SearchBit(sfrReplaceConfirm));
            break;
          case QMessageBox::No:
            break;
          default:  // Cancel, or the box closed
            return;
        }
      } else {
        ReplaceHit();
      }
    }
  } catch (const std::exception& ex) {
    Messages().Show(owner_, QMessageBox::Information, QString(),
                    ExceptionClassName(ex) + QString::fromUtf8(ex.what()));
  }
}

}  // namespace tolvan
