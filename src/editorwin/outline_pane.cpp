#include "editorwin/outline_pane.h"

#include <QElapsedTimer>

#include <algorithm>

#include "core/qt/qtext.h"
#include "editor/view/editor_widget.h"
#include "editorwin/code_assist.h"

namespace tolvan {

TOutlinePane::TOutlinePane(TEditorWidget& editor, TCodeAssist& assist, QWidget* parent)
    : QListWidget(parent), editor_(editor), assist_(assist) {
  setObjectName("lstOutline");
  setUniformItemSizes(true);
  // Room for a line number and a short pattern even before the window is laid out.
  setMinimumWidth(fontMetrics().averageCharWidth() * 20);
  pause_.setSingleShot(true);
  pause_.setInterval(kPauseMs);
  connect(&pause_, &QTimer::timeout, this, &TOutlinePane::Rebuild);
  connect(this, &QListWidget::currentRowChanged, this, [this](int i) {
    if (following_ || i < 0 || i >= static_cast<int>(outline_.size())) return;
    const int row = outline_[static_cast<std::size_t>(i)].Row;
    editor_.Guard([&] { editor_.Editor().SetRowCol(row, 0); });
  });
  connect(this, &QListWidget::itemActivated, this, [this] { editor_.setFocus(); });
  connect(&editor_, &TEditorWidget::caretMoved, this, &TOutlinePane::FollowCaret);
}

void TOutlinePane::TextChanged() {
  if (isVisible()) pause_.start();
}

void TOutlinePane::showEvent(QShowEvent* e) {
  QListWidget::showEvent(e);
  Rebuild();
}

void TOutlinePane::Rebuild() {
  pause_.stop();
  QElapsedTimer took;
  took.start();
  outline_ = assist_.Names().Outline;
  // A script so long that reading it is felt waits longer for a pause, so
  // typing in bursts is never held up by it.
  pause_.setInterval(static_cast<int>(std::clamp<qint64>(4 * took.elapsed(), kPauseMs, kLongestPauseMs)));
  const TextEncoding e = editor_.Editor().Lines().Encoding();
  following_ = true;
  clear();
  for (const TAwkOutlineItem& item : outline_) {
    QString label = ToQString(e, item.Label);
    if (item.Kind == TAwkItemKind::Function) label = QStringLiteral("function ") + label;
    addItem(QStringLiteral("%1  %2").arg(item.Line, 4).arg(label));
  }
  following_ = false;
  FollowCaret();
}

void TOutlinePane::FollowCaret() {
  if (!isVisible()) return;
  // The outline as last read: typing reads nothing until the pause is over.
  const int at = OutlineItemAt(outline_, editor_.Editor().Row());
  following_ = true;
  if (at < 0) {
    setCurrentRow(-1);
    clearSelection();
  } else {
    setCurrentRow(at);
  }
  following_ = false;
}

}  // namespace tolvan
