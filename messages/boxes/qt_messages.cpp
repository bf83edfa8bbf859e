#include <QApplication>
#include <QMessageBox>

#include "messages.h"

namespace m716::ui {
namespace {

// Characters of a word after which the box may break a line: a message box wraps its text at
// spaces only, and would cut a longer word (a long input quoted back) at its edge.
constexpr int kLongestPiece = 40;

// The text with a zero-width space after every kLongestPiece characters of a word.
QString breakable(const QString& text) {
  QString pieces;
  pieces.reserve(text.size() + text.size() / kLongestPiece);
  int run = 0;
  for (const QChar character : text) {
    if (run >= kLongestPiece && !character.isLowSurrogate()) {
      pieces += QChar(0x200B);
      run = 0;
    }
    pieces += character;
    run = character.isSpace() ? 0 : run + 1;
  }
  return pieces;
}

}  // namespace

void QtMessages::inform(const QString& caption, const QString& text) {
  QMessageBox::information(QApplication::activeWindow(), caption, breakable(text));
}

bool QtMessages::ask(const QString& caption, const QString& text) {
  return QMessageBox::question(QApplication::activeWindow(), caption, breakable(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtMessages::confirm(const QString& caption, const QString& text) {
  return QMessageBox::information(QApplication::activeWindow(), caption, breakable(text),
                                  QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace m716::ui
