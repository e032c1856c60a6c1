// A one-line label that shortens its text in the middle to the room it is
// given instead of asking for the room its text needs, so a long file name
// never widens the window. The whole text stays in text() and the tool tip.
#pragma once

#include <QLabel>

namespace tolvan {

class TElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  // The text as it is drawn at the label's present width.
  QString ShownText() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tolvan
