#include "mainwin/output_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_widget.h"
#include "editor/view/output_text.h"

namespace tolvan {

TfrmError::TfrmError(QWidget* parent) : QDialog(parent) {
  setObjectName("frmError");
  setWindowTitle(QString::fromUtf8("AWKからの出力"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setModal(false);
  resize(560, 380);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  QFont bold = Label1->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  Label1->setFont(bold);
  lblExit = new QLabel(this);
  lblExit->setObjectName("lblExit");
  lblExit->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblExit->hide();

  auto* text = new TOutputText(this);
  text->setObjectName("Memo1");
  text->setAccessibleName(QString::fromUtf8("AWKからの出力"));
  Memo1 = text;
  menu_ = text->Menu();

  auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
  close->setObjectName("btnClose");
  connect(close, &QPushButton::clicked, this, &TfrmError::HideAndClear);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(lblExit);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);
}

void TfrmError::SetHeading(const QString& text, const QColor& colour) {
  Label1->setText(text);
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, colour);
  Label1->setPalette(p);
}

void TfrmError::SetExitNote(const QString& note) {
  lblExit->setText(note);
  lblExit->setVisible(!note.isEmpty());
}

QString TfrmError::ExitNote() const { return lblExit->text(); }

void TfrmError::Present() {
  if (!isVisible()) {
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}

void TfrmError::Load(const TSharedBytes& text, TextEncoding encoding) {
  encoding_ = encoding;
  Memo1->Editor().Lines().SetEncoding(encoding);
  Memo1->Editor().Lines().LoadFromText(text);
}

void TfrmError::ShowErrorForm(const std::string& errorText, TextEncoding encoding) {
  SetHeading("ERROR", Qt::red);
  Load(TSharedBytes::FromString(errorText), encoding);
  Present();
}

void TfrmError::ShowStandardOutputForm(const std::string& outputText, TextEncoding encoding) {
  ShowStandardOutputForm(TSharedBytes::FromString(outputText), encoding);
}

void TfrmError::ShowStandardOutputForm(const TSharedBytes& outputText, TextEncoding encoding) {
  SetHeading("STANDARD OUTPUT", QColor(0, 128, 0));
  Load(outputText, encoding);
  Present();
}

void TfrmError::ShowAwkOptions(const std::string& stdoutBytes, const std::string& stderrBytes) {
  SetExitNote(QString());
  if (!stderrBytes.empty()) {
    SetHeading("AWK Options", QColor(0, 128, 0));
    Load(TSharedBytes::FromString(stderrBytes), TextEncoding::Cp932);
  } else {
    // One more line after what the area holds.
    std::string text = Memo1->Editor().Lines().GetTextStr();
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    text += stdoutBytes;
    if (text.empty() || (text.back() != '\n' && text.back() != '\r')) text += "\r\n";
    Load(TSharedBytes::FromString(std::move(text)), encoding_);
  }
  Present();
}

QString TfrmError::Heading() const { return Label1->text(); }
QString TfrmError::HeadingColour() const { return Label1->palette().color(QPalette::WindowText).name(); }
QString TfrmError::Text() const { return ToQString(encoding_, TextBytes()); }
std::string TfrmError::TextBytes() const { return Memo1->Editor().Lines().GetTextStr(); }

void TfrmError::HideAndClear() {
  hide();
  Memo1->Editor().Lines().Clear();
  emit Cleared();
}

void TfrmError::closeEvent(QCloseEvent* event) {
  event->ignore();
  HideAndClear();
}

void TfrmError::reject() { HideAndClear(); }

TfrmDone::TfrmDone(QWidget* parent, const QString& exitNote) : QDialog(parent) {
  setObjectName("frmDone");
  setWindowTitle("Tolvan");
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setModal(false);
  auto* label = new QLabel("Done!", this);
  QFont f = label->font();
  f.setBold(true);
  f.setPointSize(28);
  label->setFont(f);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, QColor(0, 128, 0));
  label->setPalette(p);
  label->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(label);
  if (!exitNote.isEmpty()) {
    lblExit = new QLabel(exitNote, this);
    lblExit->setObjectName("lblExit");
    lblExit->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblExit);
  }
}

QString TfrmDone::ExitNote() const { return lblExit ? lblExit->text() : QString(); }

}  // namespace tolvan
