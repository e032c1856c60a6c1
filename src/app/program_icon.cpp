#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvan {

QPixmap ProgramPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);  // drawn on a 32 x 32 grid
  p.setPen(Qt::NoPen);

  const QColor ink(0x1c, 0x1c, 0x24);
  const QColor beak(0xf0, 0x8a, 0x1c);

  // Feet, behind the body.
  p.setBrush(beak);
  p.drawEllipse(QRectF(10.5, 27.5, 5, 3));
  p.drawEllipse(QRectF(16.5, 27.5, 5, 3));
  // Body and head.
  p.setBrush(ink);
  p.drawEllipse(QRectF(7, 7, 18, 23));
  p.drawEllipse(QRectF(9.5, 2, 12, 12));
  // White front.
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(11.5, 13, 11, 15.5));
  // Wing.
  p.setBrush(ink.lighter(160));
  QPainterPath wing;
  wing.moveTo(8.5, 14);
  wing.quadTo(4.5, 21, 8, 27);
  wing.quadTo(11, 21, 8.5, 14);
  p.drawPath(wing);
  // Beak: the heavy bill of an auk, with its white line.
  p.setBrush(beak);
  QPainterPath bill;
  bill.moveTo(20, 6);
  bill.quadTo(27.5, 7, 28.5, 9.5);
  bill.quadTo(25, 11.5, 20, 10.5);
  bill.closeSubpath();
  p.drawPath(bill);
  p.setPen(QPen(Qt::white, 0.8));
  p.drawLine(QPointF(23, 6.8), QPointF(23, 10.6));
  p.setPen(Qt::NoPen);
  // Eye.
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(16.2, 5.2, 3, 3));
  p.setBrush(Qt::black);
  p.drawEllipse(QRectF(17.2, 6, 1.6, 1.6));
  p.end();
  return pm;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64}) icon.addPixmap(ProgramPixmap(s));
  return icon;
}

}  // namespace tolvan
