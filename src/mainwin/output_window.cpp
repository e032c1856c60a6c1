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

namespace tolvan {

namespace {

// The output's text area: the editor control, read-only, where Ctrl+A
// selects everything (the control's own Ctrl+A is redo).
class TOutputText : public TEditorWidget {
 public:
  using TEditorWidget::TEditorWidget;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::ControlModifier && e->key() == Qt::Key_A) {
      Guard([this] { Editor().SelectAll(); });
      return;
    }
    TEditorWidget::keyPressEvent(e);
  }
};

}  // namespace

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

  Memo1 = new TOutputText(this);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName(QString::fromUtf8("AWKからの出力"));
  TEditor& ed = Memo1->Editor();
  ed.SetReadOnly(true);
  ed.Ruler().SetVisible(false);
  ed.Leftbar().SetVisible(false);
  // Output has no row marks to show: text starts near the edge, as in a text box.
  ed.Imagebar().SetVisible(false);
  ed.Margin().SetLeft(4);
  ed.SetScrollBars(ssBoth);
  Memo1->SetEditorFont(kEditorFallbackFamily, 10, 0);
  menu_ = new QMenu(this);
  QAction* copy = menu_->addAction(QString::fromUtf8("コピー(&C)"));
  copy->setObjectName("actCopy");
  copy->setShortcut(QKeySequence("Ctrl+C"));
  copy->setShortcutContext(Qt::WidgetShortcut);  // shown in the menu; the control takes the key
  connect(copy, &QAction::triggered, this, [this] { Memo1->Guard([this] { Memo1->Editor().CopyToClipboard(); }); });
  QAction* all = menu_->addAction(QString::fromUtf8("すべて選択(&A)"));
  all->setObjectName("actSelectAll");
  all->setShortcut(QKeySequence("Ctrl+A"));
  all->setShortcutContext(Qt::WidgetShortcut);
  connect(all, &QAction::triggered, this, [this] { Memo1->Guard([this] { Memo1->Editor().SelectAll(); }); });
  Memo1->SetContextMenu(menu_);

  auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
  close->setObjectName("btnClose");
  connect(close, &QPushButton::clicked, this, &TfrmError::HideAndClear);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);
}

void TfrmError::SetHeading(const QString& text, const QColor& colour) {
  Label1->setText(text);
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, colour);
  Label1->setPalette(p);
}

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

TfrmDone::TfrmDone(QWidget* parent) : QDialog(parent) {
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

}

}  // namespace tolvan
