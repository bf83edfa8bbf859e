#include "board_picture.h"

#include <QPainter>
#include <QPainterPath>

#include "program_state.h"

namespace m716::utility {
namespace {

constexpr QColor kBoardGreen{24, 96, 56};
constexpr QColor kCopper{196, 160, 72};
constexpr QColor kChipBlack{32, 32, 36};

void drawBoard(QPainter& painter, const QRectF& board) {
  painter.setPen(QPen(kBoardGreen.darker(150), 2));
  painter.setBrush(kBoardGreen);
  painter.drawRoundedRect(board, 8, 8);
  // The bus edge along the bottom.
  const qreal pitch = board.width() / 24;
  painter.setPen(Qt::NoPen);
  painter.setBrush(kCopper);
  for (int pin = 1; pin < 23; ++pin)
    painter.drawRect(QRectF(board.left() + pin * pitch, board.bottom() - 14, pitch * 0.6, 12));
}

void drawChip(QPainter& painter, const QRectF& chip) {
  painter.setPen(QPen(kCopper, 1));
  for (int leg = 0; leg < 8; ++leg) {
    const qreal at = chip.top() + (leg + 0.5) * chip.height() / 8;
    painter.drawLine(QPointF(chip.left() - 6, at), QPointF(chip.left(), at));
    painter.drawLine(QPointF(chip.right(), at), QPointF(chip.right() + 6, at));
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(kChipBlack);
  painter.drawRect(chip);
  painter.setPen(Qt::white);
  painter.setFont(QFont(painter.font().family(), 10, QFont::Bold));
  painter.drawText(chip, Qt::AlignCenter, QStringLiteral("MCB-716"));
}

// One axis connector with its letter and a motor beside it.
void drawAxis(QPainter& painter, const QRectF& connector, const char* letter) {
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(220, 220, 210));
  painter.drawRect(connector);
  painter.setPen(Qt::white);
  painter.setFont(QFont(painter.font().family(), 12, QFont::Bold));
  const QRectF caption(connector.right() + 8, connector.top(), 120, connector.height());
  painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1 axis").arg(QLatin1String(letter)));
}

}  // namespace

QPixmap boardPicture() {
  QPixmap picture(260, 320);
  picture.fill(QColor(236, 236, 232));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF board(10, 10, 240, 300);
  drawBoard(painter, board);
  drawChip(painter, QRectF(80, 40, 100, 90));
  for (int axis = 0; axis < 4; ++axis)
    drawAxis(painter, QRectF(30, 160 + axis * 32, 40, 22), kAxisLetters[axis]);
  return picture;
}

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBoardGreen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), 2 * unit, 2 * unit);
    painter.setBrush(kChipBlack);
    painter.drawRect(QRectF(4 * unit, 3 * unit, 8 * unit, 6 * unit));
    painter.setBrush(kCopper);
    for (int pin = 0; pin < 4; ++pin)
      painter.drawRect(QRectF((2 + pin * 3.5) * unit, 12 * unit, 2 * unit, 3 * unit));
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace m716::utility
