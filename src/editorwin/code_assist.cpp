#include "editorwin/code_assist.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

#include "colouring/awk_builtins.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "editor/view/editor_widget.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

QString KindWords(TAwkCandidateKind k) {
  switch (k) {
    case TAwkCandidateKind::BuiltinFunction: return U("組み込み関数");
    case TAwkCandidateKind::BuiltinVariable: return U("組み込み変数");
    case TAwkCandidateKind::Keyword: return U("キーワード");
    case TAwkCandidateKind::Function: return U("関数");
    case TAwkCandidateKind::Global: return U("変数");
  }
  return QString();
}

QString BuiltinHelp(const TAwkBuiltin& b) {
  return QString::fromUtf8(b.Signature.data(), static_cast<int>(b.Signature.size())) + "\n" +
         QString::fromUtf8(b.Help.data(), static_cast<int>(b.Help.size()));
}

}  // namespace

// ---------------------------------------------------------------- popup

TCompletionPopup::TCompletionPopup(QWidget* parent) : QListWidget(parent) {
  setObjectName("lstCompletion");
  setWindowFlags(Qt::Popup);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int i = row(item);
    if (i >= 0 && i < static_cast<int>(candidates_.size()) && Accept) Accept(candidates_[static_cast<std::size_t>(i)]);
  });
}

void TCompletionPopup::SetCandidates(const std::vector<TAwkCandidate>& candidates) {
  candidates_ = candidates;
  clear();
  for (const TAwkCandidate& c : candidates_) {
    const QString shown = QString::fromStdString(c.Signature.empty() ? c.Text : c.Signature);
    addItem(shown + "    " + KindWords(c.Kind));
  }
  setCurrentRow(0);
  const int rows = std::min<int>(10, std::max<int>(1, count()));
  resize(std::max(260, sizeHintForColumn(0) + 24), rows * std::max(1, sizeHintForRow(0)) + 6);
}

void TCompletionPopup::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
      QListWidget::keyPressEvent(e);
      return;
    case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Tab:
      if (currentRow() >= 0 && currentRow() < static_cast<int>(candidates_.size()) && Accept)
        Accept(candidates_[static_cast<std::size_t>(currentRow())]);
      return;
    case Qt::Key_Escape:
      hide();
      return;
    default:
      if (ForwardKey) ForwardKey(e);
      return;
  }
}

// ---------------------------------------------------------------- assist

TCodeAssist::TCodeAssist(TEditorWidget& editor, QWidget* window) : QObject(window), editor_(editor) {
  popup_ = new TCompletionPopup(window);
  popup_->Accept = [this](const TAwkCandidate& c) { Insert(c); };
  popup_->ForwardKey = [this](QKeyEvent* e) {
    QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(), static_cast<quint16>(e->count()));
    QApplication::sendEvent(&editor_, &copy);
    Refilter();
  };
  editor_.viewport()->installEventFilter(this);
}

TCodeAssist::~TCodeAssist() = default;

const TAwkNames& TCodeAssist::Names() {
  if (dirty_) {
    names_ = ReadAwkNames(editor_.Editor().List(), editor_.Editor().Lines().Encoding());
    dirty_ = false;
  }
  return names_;
}

std::string TCodeAssist::RowText(int row) const {
  const TEditor& ed = editor_.Editor();
  if (row < 0 || row >= ed.List().Count()) return std::string();
  return std::string(ed.List().ListStr(row));
}

std::string TCodeAssist::CaretRow(int& caretByte) const {
  const TEditor& ed = editor_.Editor();
  std::string text = RowText(ed.Row());
  caretByte = text.empty() ? 0 : std::clamp(ed.ColToByte(ed.Row(), ed.Col()), 0, static_cast<int>(text.size()));
  return text;
}

QString TCodeAssist::PrefixBeforeCaret(int& length) const {
  int caret = 0;
  const std::string row = CaretRow(caret);
  const TAwkWord w = AwkWordAt(row, caret, editor_.Editor().Lines().Encoding());
  length = w.Length > 0 && w.Start < caret ? caret - w.Start : 0;
  return QString::fromLatin1(row.data() + w.Start, length);
}

bool TCodeAssist::GoToDefinition() {
  const TEditor& ed = editor_.Editor();
  return GoToDefinitionAt(ed.Row(), ed.Col());
}

bool TCodeAssist::GoToDefinitionAt(int row, int col) {
  TEditor& ed = editor_.Editor();
  const std::string text = RowText(row);
  if (text.empty()) return false;
  const int at = std::clamp(ed.ColToByte(row, col), 0, static_cast<int>(text.size()));
  const TAwkWord w = AwkWordAt(text, at, ed.Lines().Encoding());
  if (w.Length == 0) return false;
  const TAwkFunction* f = FindAwkFunction(Names(), std::string_view(text).substr(static_cast<std::size_t>(w.Start),
                                                                                static_cast<std::size_t>(w.Length)));
  if (!f) return false;
  if (history_.size() == kHistoryMax) history_.erase(history_.begin());
  history_.push_back({ed.Row(), ed.Col()});
  const int target = f->Row;
  editor_.Guard([&] { ed.SetRowCol(target, 0); });
  return true;
}

bool TCodeAssist::GoBack() {
  if (history_.empty()) return false;
  const Place p = history_.back();
  history_.pop_back();
  TEditor& ed = editor_.Editor();
  editor_.Guard([&] { ed.SetRowCol(std::min(p.row, std::max(0, ed.List().Count() - 1)), p.col); });
  return true;
}

void TCodeAssist::Complete() {
  int length = 0;
  const QString prefix = PrefixBeforeCaret(length);
  if (prefix.isEmpty()) {
    int caret = 0;
    const std::string row = CaretRow(caret);
    const TAwkCallAt call = AwkCallAt(row, caret, editor_.Editor().Lines().Encoding());
    if (!call.Name.empty()) {
      ShowHint(call.Name);
      if (!lastTip_.isEmpty()) return;
    }
  }
  const std::vector<TAwkCandidate> candidates = AwkCompletions(Names(), prefix.toStdString());
  if (candidates.empty()) {
    Messages().Beep();
    return;
  }
  popup_->SetCandidates(candidates);
  const TPoint p = editor_.Editor().CaretPoint();
  popup_->move(editor_.viewport()->mapToGlobal(QPoint(p.X, p.Y + editor_.Editor().FontHeight())));
  popup_->show();
  popup_->setFocus();
}

void TCodeAssist::Refilter() {
  int length = 0;
  const QString prefix = PrefixBeforeCaret(length);
  // The names as they were when the list opened: typing a name does not
  // read the script again.
  const std::vector<TAwkCandidate> candidates =
      prefix.isEmpty() ? std::vector<TAwkCandidate>() : AwkCompletions(names_, prefix.toStdString());
  if (candidates.empty()) {
    popup_->hide();
    return;
  }
  popup_->SetCandidates(candidates);
}

void TCodeAssist::Insert(const TAwkCandidate& c) {
  popup_->hide();
  int length = 0;
  PrefixBeforeCaret(length);
  TEditor& ed = editor_.Editor();
  editor_.Guard([&] {
    // The word is ASCII: its bytes are its characters.
    const std::int64_t at = ed.SelStart();
    ed.SetSelStart(at - length);
    ed.SetSelLength(length);
    ed.SetSelText(c.Text);
  });
  editor_.setFocus();
  if (c.Kind == TAwkCandidateKind::BuiltinFunction || c.Kind == TAwkCandidateKind::Function) ShowHint(c.Text);
}

void TCodeAssist::ShowHint(const std::string& name) {
  lastTip_.clear();
  if (const TAwkBuiltin* b = FindAwkBuiltin(name); b && b->Kind == TAwkBuiltinKind::Function)
    ShowTip(BuiltinHelp(*b));
  else if (const TAwkFunction* f = FindAwkFunction(Names(), name))
    ShowTip(QString::fromStdString(AwkSignature(*f)));
}

void TCodeAssist::ShowTip(const QString& text) {
  lastTip_ = text;
  const TPoint p = editor_.Editor().CaretPoint();
  const QPoint at = editor_.viewport()->mapToGlobal(QPoint(p.X, p.Y + editor_.Editor().FontHeight()));
  // Once the list that may have been open has closed and the focus is back:
  // its closing would hide a tip shown now.
  QTimer::singleShot(150, this, [this, at, text] { QToolTip::showText(at, text, editor_.viewport()); });
}

QString TCodeAssist::HelpAt(int row, int col) const {
  const std::string text = RowText(row);
  if (text.empty()) return QString();
  TEditor& ed = editor_.Editor();
  const int at = std::clamp(ed.ColToByte(row, col), 0, static_cast<int>(text.size()));
  const TAwkWord w = AwkWordAt(text, at, ed.Lines().Encoding());
  if (w.Length == 0) return QString();
  const TAwkBuiltin* b = FindAwkBuiltin(std::string_view(text).substr(static_cast<std::size_t>(w.Start),
                                                                     static_cast<std::size_t>(w.Length)));
  return b && !b->Help.empty() ? BuiltinHelp(*b) : QString();
}

bool TCodeAssist::ShowHelpAtCaret() {
  const TEditor& ed = editor_.Editor();
  const QString help = HelpAt(ed.Row(), ed.Col());
  if (help.isEmpty()) return false;
  ShowTip(help);
  return true;
}

bool TCodeAssist::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_.viewport()) return false;
  if (event->type() == QEvent::MouseButtonPress) {
    auto* m = static_cast<QMouseEvent*>(event);
    if (m->button() != Qt::LeftButton || (m->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) !=
                                             Qt::ControlModifier)
      return false;
    int row = 0, col = 0;
    editor_.Editor().PosToRowCol(static_cast<int>(m->position().x()), static_cast<int>(m->position().y()), col, row, false);
    // A name that is no function leaves the click to the control.
    return GoToDefinitionAt(row, col);
  }
  if (event->type() == QEvent::ToolTip) {
    auto* h = static_cast<QHelpEvent*>(event);
    int row = 0, col = 0;
    editor_.Editor().PosToRowCol(h->pos().x(), h->pos().y(), col, row, false);
    const QString help = HelpAt(row, col);
    if (help.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(h->globalPos(), help, editor_.viewport());
    return true;
  }
  return false;
}

}  // namespace tolvan
