#pragma once
// The message interface as the program tests see it: every message box is recorded with its
// caption instead of shown, and questions and confirmations get the answer the test sets.

#include <QStringList>
#include <functional>

#include "messages.h"

namespace m716::test {

class CapturedMessages : public ui::Messages {
 public:
  void inform(const QString& caption, const QString& text) override {
    captions << caption;
    texts << text;
    if (whileShown) whileShown();
  }
  bool ask(const QString& caption, const QString& text) override {
    captions << caption;
    questions << text;
    return answer;
  }
  bool confirm(const QString& caption, const QString& text) override {
    captions << caption;
    confirmations << text;
    return answer;
  }

  QStringList texts, questions, confirmations, captions;
  bool answer = true;
  // Runs while a message box would be open, as the user's event loop would.
  std::function<void()> whileShown;
};

}  // namespace m716::test
