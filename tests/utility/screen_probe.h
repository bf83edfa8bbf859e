#pragma once
// Finds the controls of a screen the way a user does: by their caption.

#include <QAbstractButton>
#include <QGroupBox>
#include <QString>
#include <QWidget>

namespace m716::test {

// The one control of type Control under `root` whose caption is `caption` (nullptr otherwise).
template <typename Control = QAbstractButton>
Control* control(const QWidget& root, const QString& caption) {
  Control* found = nullptr;
  for (Control* candidate : root.findChildren<Control*>()) {
    if (candidate->text() != caption) continue;
    if (found != nullptr) return nullptr;
    found = candidate;
  }
  return found;
}

inline QGroupBox* group(const QWidget& root, const QString& title) {
  for (QGroupBox* candidate : root.findChildren<QGroupBox*>())
    if (candidate->title() == title) return candidate;
  return nullptr;
}

}  // namespace m716::test
