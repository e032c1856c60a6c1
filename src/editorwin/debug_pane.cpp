#include "editorwin/debug_pane.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/output_text.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

constexpr int kRefreshMs = 50;

// awk's escapes for what would not show; other bytes stay, to be decoded.
std::string Escaped(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          const char oct[] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                              static_cast<char>('0' + (c & 7)), 0};
          out += oct;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

}  // namespace

QString ShowValue(const DebugScalar& v, TextEncoding e) {
  switch (v.Kind) {
    case DebugValueKind::Untyped: return U("（未設定）");
    case DebugValueKind::String: return ToQString(e, "\"" + Escaped(v.Text) + "\"");
    case DebugValueKind::Array: return U("配列（%1 個）").arg(v.Count);
    default: return ToQString(e, v.Text);
  }
}

QString ShowElementName(const std::string& array, const DebugElement& element, TextEncoding e) {
  std::string keys;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t sep = element.Key.find('\x1C', pos);
    keys += "\"" + Escaped(element.Key.substr(pos, sep == std::string::npos ? std::string::npos : sep - pos)) + "\"";
    if (sep == std::string::npos) break;
    keys += ",";
    pos = sep + 1;
  }
  const std::string parent = element.Parent.empty() ? std::string() : "[\"" + Escaped(element.Parent) + "\"]";
  return ToQString(e, array + parent + "[" + keys + "]");
}

TDebugPane::TDebugPane(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlDebug");
  status_ = new QLabel(this);
  status_->setObjectName("lblDebugStatus");
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  watch_ = new QLineEdit(this);
  watch_->setObjectName("edtDebugWatch");
  watch_->setPlaceholderText(U("ウォッチ: 変数、$n、a[\"k\"]、@a（Enter）"));
  variables_ = new QTreeWidget(this);
  variables_->setObjectName("trvDebugVariables");
  variables_->setColumnCount(2);
  variables_->setHeaderLabels({U("名前"), U("値")});
  variables_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  stack_ = new QListWidget(this);
  stack_->setObjectName("lstDebugStack");
  messages_ = new QListWidget(this);
  messages_->setObjectName("lstDebugMessages");
  messages_->setFont(QFont(QString::fromUtf8(kEditorFallbackFamily), 10));
  QPalette red = messages_->palette();
  red.setColor(QPalette::Text, Qt::red);
  messages_->setPalette(red);
  output_ = new TOutputText(this);
  output_->setObjectName("txtDebugOutput");

  auto* split = new QSplitter(Qt::Vertical, this);
  split->setChildrenCollapsible(false);
  split->addWidget(variables_);
  auto* stackBox = new QWidget(split);
  auto* stackLayout = new QVBoxLayout(stackBox);
  stackLayout->setContentsMargins(0, 0, 0, 0);
  stackLayout->addWidget(new QLabel(U("呼び出し履歴"), stackBox));
  stackLayout->addWidget(stack_);
  split->addWidget(stackBox);
  split->addWidget(messages_);
  auto* outBox = new QWidget(split);
  auto* outLayout = new QVBoxLayout(outBox);
  outLayout->setContentsMargins(0, 0, 0, 0);
  outLayout->addWidget(new QLabel(U("スクリプトの出力"), outBox));
  outLayout->addWidget(output_);
  split->addWidget(outBox);
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 1);
  split->setStretchFactor(2, 1);
  split->setStretchFactor(3, 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(status_);
  layout->addWidget(watch_);
  layout->addWidget(split, 1);

  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &TDebugPane::ReloadOutput);
  connect(watch_, &QLineEdit::returnPressed, this, [this] {
    if (WatchChanged) WatchChanged();
  });
}

void TDebugPane::SetEncoding(TextEncoding e) {
  encoding_ = e;
  if (output_->Editor().Lines().Encoding() != e) {
    output_->Editor().Lines().SetEncoding(e);
    ReloadOutput();
  }
}

void TDebugPane::SetStatus(const QString& text, bool warning) {
  status_->setText(text);
  QPalette p = status_->palette();
  p.setColor(QPalette::WindowText, warning ? QColor(Qt::red) : palette().color(QPalette::WindowText));
  status_->setPalette(p);
}

QString TDebugPane::Status() const { return status_->text(); }

void TDebugPane::Clear() {
  buffer_.clear();
  ReloadOutput();
  variables_->clear();
  stack_->clear();
  messages_->clear();
}

QTreeWidgetItem* TDebugPane::Section(const QString& caption, const std::vector<DebugValue>& values, bool expanded) {
  auto* section = new QTreeWidgetItem(variables_, {caption});
  for (const DebugValue& v : values) {
    auto* item = new QTreeWidgetItem(section, {ToQString(encoding_, v.Name), ShowValue(v.Value, encoding_)});
    for (const DebugElement& el : v.Elements)
      new QTreeWidgetItem(item, {ShowElementName(v.Name, el, encoding_), ShowValue(el.Value, encoding_)});
    if (v.ElementsShown && v.Value.Count > v.Elements.size())
      new QTreeWidgetItem(item, {U("…"), U("ほか %1 個").arg(v.Value.Count - v.Elements.size())});
    else if (!v.ElementsShown && v.Value.Kind == DebugValueKind::Array && v.Value.Count > 0)
      new QTreeWidgetItem(item, {U("…"), U("多すぎるので要素は表示しません")});
  }
  section->setExpanded(expanded);
  return section;
}

void TDebugPane::ShowStop(const DebugStop& stop) {
  // What the user opened stays open from one stop to the next.
  QStringList open;
  for (int i = 0; i < variables_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* s = variables_->topLevelItem(i);
    for (int k = 0; k < s->childCount(); ++k)
      if (s->child(k)->isExpanded()) open << s->text(0) + "\n" + s->child(k)->text(0);
  }
  variables_->clear();
  if (!stop.Watches.empty()) Section(U("ウォッチ"), stop.Watches, true);
  std::vector<DebugValue> record = stop.Specials;
  record.insert(record.end(), stop.Fields.begin(), stop.Fields.end());
  if (stop.FieldCount > stop.Fields.size() - (stop.Fields.empty() ? 0 : 1) && !stop.Fields.empty())
    record.push_back(DebugValue{"…", DebugScalar{DebugValueKind::Other, FromUtf8(encoding_, "ほかのフィールドは表示しません").bytes, 0}, {}, false});
  if (!record.empty()) Section(U("レコード"), record, true);
  if (!stop.Locals.empty()) Section(U("ローカル変数"), stop.Locals, true);
  if (!stop.Globals.empty()) Section(U("グローバル変数"), stop.Globals, true);
  for (int i = 0; i < variables_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* s = variables_->topLevelItem(i);
    for (int k = 0; k < s->childCount(); ++k)
      if (open.contains(s->text(0) + "\n" + s->child(k)->text(0))) s->child(k)->setExpanded(true);
  }
  variables_->resizeColumnToContents(0);

  stack_->clear();
  for (const DebugFrame& f : stop.Stack)
    stack_->addItem(ToQString(encoding_, f.Function) + U("  行 %1").arg(f.Row));
  if (!stop.Messages.empty()) AddMessages(stop.Messages);
  if (!stop.Unparsed.empty()) AddMessages(stop.Unparsed);
}

void TDebugPane::AddMessages(const std::string& bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) messages_->addItem(ToQString(encoding_, line));
  }
  if (messages_->count() > 0) messages_->scrollToBottom();
}

void TDebugPane::AppendOutput(std::string_view bytes) {
  buffer_.append(bytes);
  if (!refresh_.isActive()) refresh_.start();
}

void TDebugPane::FlushOutput() {
  if (!refresh_.isActive()) return;
  refresh_.stop();
  ReloadOutput();
}

void TDebugPane::ReloadOutput() {
  TEditor& e = output_->Editor();
  e.Lines().LoadFromText(std::make_shared<const std::string>(buffer_));
  // The newest output in view.
  e.SetRowCol(e.List().Count() > 0 ? e.List().Count() - 1 : 0, 0);
  output_->viewport()->update();
}

std::string TDebugPane::OutputBytes() const { return output_->Editor().Lines().GetTextStr(); }

std::string TDebugPane::WatchExpression() const {
  return Encode(encoding_, watch_->text().trimmed()).value_or(std::string());
}

}  // namespace tolvan
