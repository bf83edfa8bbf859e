#include <QApplication>
#include <QMessageBox>

#include "messages.h"

namespace m716::utility {

void QtMessages::inform(const QString& caption, const QString& text) {
  QMessageBox::information(QApplication::activeWindow(), caption, text);
}

bool QtMessages::ask(const QString& caption, const QString& text) {
  return QMessageBox::question(QApplication::activeWindow(), caption, text,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace m716::utility
