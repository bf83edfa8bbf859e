#pragma once
// Looking at what the monitors drew: pixels of a picture, and the monitors' context menu.

#include <QAction>
#include <QImage>
#include <QLine>
#include <QWidget>

namespace m716::test {

// Whether the pixel at `at`, or one of its eight neighbours, has `colour`.
inline bool colourNear(const QImage& picture, QPoint at, QColor colour) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) {
      const QPoint pixel = at + QPoint(dx, dy);
      if (picture.rect().contains(pixel) && picture.pixelColor(pixel) == colour) return true;
    }
  return false;
}

// Whether every pixel of the horizontal or vertical line, ends left out, has `colour`.
inline bool lineHasColour(const QImage& picture, QLine line, QColor colour) {
  const QPoint step((line.dx() > 0) - (line.dx() < 0), (line.dy() > 0) - (line.dy() < 0));
  for (QPoint at = line.p1() + step; at != line.p2(); at += step)
    if (picture.pixelColor(at) != colour) return false;
  return true;
}

// How many pixels of `picture` have `colour`.
inline int pixelsOf(const QImage& picture, QColor colour) {
  int count = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) count += picture.pixelColor(x, y) == colour;
  return count;
}

inline QAction* menuAction(const QWidget& screen, const QString& text) {
  for (QAction* action : screen.findChildren<QAction*>())
    if (action->text() == text) return action;
  return nullptr;
}

}  // namespace m716::test
