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
#include <vector>

#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/output_text.h"

namespace tolvan {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

constexpr int kRefreshMs = 50;

// awk's escapes for what would not show; other bytes stay, to be decoded.
std::string Escaped(const std::string& bytes, TextEncoding e) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    // A multi-byte character whole: a CP932 second byte may be a backslash.
    const std::size_t len = std::max<std::size_t>(1, CharLength(e, bytes, i));
    if (len > 1) {
      out.append(bytes, i, len);
      i += len;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(bytes[i++]);
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
    case DebugValueKind::String: return ToQString(e, "\"" + Escaped(v.Text, e) + "\"");
    case DebugValueKind::Array: return U("配列（%1 個）").arg(v.Count);
    default: return ToQString(e, v.Text);
  }
}

QString ShowElementName(const std::string& array, const DebugElement& element, TextEncoding e) {
  std::string keys;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t sep = element.Key.find('\x1C', pos);
    keys += "\"" + Escaped(element.Key.substr(pos, sep == std::string::npos ? std::string::npos : sep - pos), e) + "\"";
    if (sep == std::string::npos) break;
    keys += ",";
    pos = sep + 1;
  }
  const std::string parent = element.Parent.empty() ? std::string() : "[\"" + Escaped(element.Parent, e) + "\"]";
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
  // Values are one line each (line ends escaped): a changed value then
  // costs no measuring of its row.
  variables_->setUniformRowHeights(true);
  // A tree of two columns rather than a list: a list lays all its items
  // out again whenever one's text changes, and the row changes every step.
  stack_ = new QTreeWidget(this);
  stack_->setObjectName("trvDebugStack");
  stack_->setColumnCount(2);
  stack_->setHeaderLabels({U("関数"), U("行")});
  stack_->setRootIsDecorated(false);
  stack_->setUniformRowHeights(true);
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
  if (text == status_->text() && warning == warning_) return;
  warning_ = warning;
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
  shown_.clear();
  stack_->clear();
  messages_->clear();
}

namespace {

// One row of the variables tree: a name, a value, its elements.
struct TreeRow {
  QString Name, Value;
  std::vector<TreeRow> Children;
};

// An array whose elements are not all shown ends with a "…" row.
bool HasMore(const DebugValue& v) {
  return v.ElementsShown ? v.Value.Count > v.Elements.size() : v.Value.Kind == DebugValueKind::Array && v.Value.Count > 0;
}

QString MoreText(const DebugValue& v) {
  return v.ElementsShown ? QString::fromUtf8("ほか %1 個").arg(v.Value.Count - v.Elements.size())
                         : QString::fromUtf8("多すぎるので要素は表示しません");
}

TreeRow SectionRows(const QString& caption, const std::vector<DebugValue>& values, TextEncoding e) {
  TreeRow section{caption, {}, {}};
  for (const DebugValue& v : values) {
    TreeRow row{ToQString(e, v.Name), ShowValue(v.Value, e), {}};
    for (const DebugElement& el : v.Elements)
      row.Children.push_back(TreeRow{ShowElementName(v.Name, el, e), ShowValue(el.Value, e), {}});
    if (HasMore(v)) row.Children.push_back(TreeRow{QString::fromUtf8("…"), MoreText(v), {}});
    section.Children.push_back(std::move(row));
  }
  return section;
}

QTreeWidgetItem* Build(const TreeRow& row) {
  auto* item = new QTreeWidgetItem({row.Name, row.Value});
  for (const TreeRow& c : row.Children) item->addChild(Build(c));
  return item;
}

bool SameScalar(const DebugScalar& a, const DebugScalar& b) {
  return a.Kind == b.Kind && a.Count == b.Count && a.Text == b.Text;
}

// The same rows under the same names: only values to set.
bool SameShape(const std::vector<TDebugPane::Section>& a, const std::vector<TDebugPane::Section>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].Caption != b[i].Caption || a[i].Values.size() != b[i].Values.size()) return false;
    for (std::size_t j = 0; j < a[i].Values.size(); ++j) {
      const DebugValue& x = a[i].Values[j];
      const DebugValue& y = b[i].Values[j];
      if (x.Name != y.Name || x.Elements.size() != y.Elements.size() || HasMore(x) != HasMore(y)) return false;
      for (std::size_t k = 0; k < x.Elements.size(); ++k)
        if (x.Elements[k].Key != y.Elements[k].Key || x.Elements[k].Parent != y.Elements[k].Parent) return false;
    }
  }
  return true;
}

// Only what changed is converted and set: a step usually changes a value or two.
void SetValues(QTreeWidgetItem* item, const DebugValue& now, const DebugValue& was, TextEncoding e) {
  if (!SameScalar(now.Value, was.Value)) item->setText(1, ShowValue(now.Value, e));
  for (std::size_t k = 0; k < now.Elements.size(); ++k)
    if (!SameScalar(now.Elements[k].Value, was.Elements[k].Value))
      item->child(static_cast<int>(k))->setText(1, ShowValue(now.Elements[k].Value, e));
  if (HasMore(now) && now.Value.Count != was.Value.Count) item->child(item->childCount() - 1)->setText(1, MoreText(now));
}

}  // namespace

void TDebugPane::ShowStop(const DebugStop& stop) {
  std::vector<Section> sections;
  if (!stop.Watches.empty()) sections.push_back(Section{U("ウォッチ"), stop.Watches});
  std::vector<DebugValue> record = stop.Specials;
  record.insert(record.end(), stop.Fields.begin(), stop.Fields.end());
  if (!stop.Fields.empty() && stop.FieldCount + 1 > stop.Fields.size())
    record.push_back(DebugValue{"…", DebugScalar{DebugValueKind::Other, FromUtf8(encoding_, "ほかのフィールドは表示しません").bytes, 0}, {}, false});
  if (!record.empty()) sections.push_back(Section{U("レコード"), std::move(record)});
  if (!stop.Locals.empty()) sections.push_back(Section{U("ローカル変数"), stop.Locals});
  if (!stop.Globals.empty()) sections.push_back(Section{U("グローバル変数"), stop.Globals});

  if (shownEncoding_ == encoding_ && SameShape(sections, shown_)) {
    for (std::size_t i = 0; i < sections.size(); ++i) {
      QTreeWidgetItem* section = variables_->topLevelItem(static_cast<int>(i));
      for (std::size_t j = 0; j < sections[i].Values.size(); ++j)
        SetValues(section->child(static_cast<int>(j)), sections[i].Values[j], shown_[i].Values[j], encoding_);
    }
  } else {
    // What the user opened stays open.
    QStringList open;
    for (int i = 0; i < variables_->topLevelItemCount(); ++i) {
      QTreeWidgetItem* s = variables_->topLevelItem(i);
      for (int k = 0; k < s->childCount(); ++k)
        if (s->child(k)->isExpanded()) open << s->text(0) + "\n" + s->child(k)->text(0);
    }
    variables_->clear();
    for (const Section& section : sections) {
      QTreeWidgetItem* s = Build(SectionRows(section.Caption, section.Values, encoding_));
      variables_->addTopLevelItem(s);
      s->setExpanded(true);
      for (int k = 0; k < s->childCount(); ++k)
        if (open.contains(s->text(0) + "\n" + s->child(k)->text(0))) s->child(k)->setExpanded(true);
    }
    variables_->resizeColumnToContents(0);
  }
  shown_ = std::move(sections);
  shownEncoding_ = encoding_;

  ShowStack(stop.Stack);
  if (!stop.Messages.empty()) AddMessages(stop.Messages);
  if (!stop.Unparsed.empty()) AddMessages(stop.Unparsed);
}

void TDebugPane::ShowStack(const std::vector<DebugFrame>& stack) {
  // The innermost frame's row is the one marked in the text; left out here,
  // the list stays as it is while stepping in one function (a changed first
  // row makes the view measure its rows again).
  const int frames = static_cast<int>(stack.size());
  while (stack_->topLevelItemCount() > frames) delete stack_->takeTopLevelItem(stack_->topLevelItemCount() - 1);
  while (stack_->topLevelItemCount() < frames) stack_->addTopLevelItem(new QTreeWidgetItem);
  for (int i = 0; i < frames; ++i) {
    const DebugFrame& f = stack[static_cast<std::size_t>(i)];
    QTreeWidgetItem* item = stack_->topLevelItem(i);
    const QString name = ToQString(encoding_, f.Function), row = i == 0 ? QString() : QString::number(f.Row);
    if (item->text(0) != name) item->setText(0, name);
    if (item->text(1) != row) item->setText(1, row);
  }
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
