#pragma once
// The one way the programs' windows show a message box: the programs show Qt message boxes
// (QtMessages), the tests capture the texts and captions and give the answers.
//
// Concurrency: a program's user-interface thread only.

#include <QString>

namespace m716::ui {

class Messages {
 public:
  virtual ~Messages() = default;
  // A message box with OK only; returns when the user has dismissed it.
  virtual void inform(const QString& caption, const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ask(const QString& caption, const QString& text) = 0;
  // A message box with OK and Cancel; true for OK.
  virtual bool confirm(const QString& caption, const QString& text) = 0;
};

// Modal Qt message boxes over the window that is active when they are shown.
class QtMessages : public Messages {
 public:
  void inform(const QString& caption, const QString& text) override;
  bool ask(const QString& caption, const QString& text) override;
  bool confirm(const QString& caption, const QString& text) override;
};

}  // namespace m716::ui
