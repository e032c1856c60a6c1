#include "mainwin/elided_label.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace tolvan {

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::SetFullText(const QString& text) {
  setText(text);
  setToolTip(text);
  update();
}

QString TElidedLabel::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize TElidedLabel::sizeHint() const {
  // Asks for what the text needs, but never more than a few dozen letters.
  QSize s = QLabel::sizeHint();
  s.setWidth(qMin(s.width(), fontMetrics().averageCharWidth() * 24));
  return s;
}

QSize TElidedLabel::minimumSizeHint() const {
  QSize s = QLabel::minimumSizeHint();
  s.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("W\u2026W")));
  return s;
}

void TElidedLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOption opt;
  opt.initFrom(this);
  style()->drawItemText(&p, contentsRect(), int(alignment()) | Qt::TextSingleLine, opt.palette, isEnabled(),
                        ShownText(), foregroundRole());
}

}  // namespace tolvan
