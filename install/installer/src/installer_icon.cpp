#include "installer_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace m716::installer {
namespace {

constexpr QColor kBoardGreen{24, 96, 56};
constexpr QColor kCopper{196, 160, 72};
constexpr QColor kArrow{240, 240, 236};

QPixmap drawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal unit = size / 16.0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(kBoardGreen);
  painter.drawRoundedRect(QRectF(1 * unit, 6 * unit, 14 * unit, 8 * unit), unit, unit);
  painter.setBrush(kCopper);
  for (int pin = 0; pin < 5; ++pin)
    painter.drawRect(QRectF((2.5 + 2.4 * pin) * unit, 14 * unit, 1.2 * unit, 2 * unit));
  QPainterPath arrow;
  arrow.moveTo(6.5 * unit, 0);
  arrow.lineTo(9.5 * unit, 0);
  arrow.lineTo(9.5 * unit, 5 * unit);
  arrow.lineTo(12 * unit, 5 * unit);
  arrow.lineTo(8 * unit, 10 * unit);
  arrow.lineTo(4 * unit, 5 * unit);
  arrow.lineTo(6.5 * unit, 5 * unit);
  arrow.closeSubpath();
  painter.setBrush(kArrow);
  painter.setPen(QPen(kBoardGreen.darker(150), unit * 0.5));
  painter.drawPath(arrow);
  return pixmap;
}

}  // namespace

QIcon installerIcon() {
  QIcon icon;
  for (const int size : {16, 32, 64}) icon.addPixmap(drawIcon(size));
  return icon;
}

}  // namespace m716::installer
