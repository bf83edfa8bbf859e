#pragma once
// The small widget helpers the programs' windows (the utility and the installer) share.
//
// Concurrency: a program's user-interface thread only.

#include <QObject>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace m716::ui {

// A push button showing `caption`, named by it too (tests find it by that name), whose click
// calls `action` of `receiver`. Qt's default holds for Enter: in a dialog it is an auto-default
// button, in any other window Enter does not press it. A `parent` puts the button in its
// window's keyboard focus order at once, before the controls its layouts bring in later.
template <typename Receiver, typename Action>
QPushButton* pushButton(const QString& caption, Receiver* receiver, Action action,
                        QWidget* parent = nullptr) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(caption);
  QObject::connect(button, &QPushButton::clicked, receiver, action);
  return button;
}

// Shows `window` in front of the program's other windows and gives it the keyboard.
inline void bringForward(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace m716::ui
