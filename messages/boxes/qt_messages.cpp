#include <QApplication>
#include <QMessageBox>

#include "messages.h"

namespace m716::ui {

void QtMessages::inform(const QString& caption, const QString& text) {
  QMessageBox::information(QApplication::activeWindow(), caption, text);
}

bool QtMessages::ask(const QString& caption, const QString& text) {
  return QMessageBox::question(QApplication::activeWindow(), caption, text,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtMessages::confirm(const QString& caption, const QString& text) {
  return QMessageBox::information(QApplication::activeWindow(), caption, text,
                                  QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace m716::ui
