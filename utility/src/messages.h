#pragma once
// The one way the utility's screens show a message box: the program shows Qt message boxes
// (QtMessages), the tests capture the texts and captions and give the answers.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QString>

class QWidget;

namespace m716::utility {

class Messages {
 public:
  virtual ~Messages() = default;
  // A message box with OK only; returns when the user has dismissed it.
  virtual void inform(const QString& caption, const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool ask(const QString& caption, const QString& text) = 0;
};

// Modal Qt message boxes over the window that is active when they are shown.
class QtMessages : public Messages {
 public:
  void inform(const QString& caption, const QString& text) override;
  bool ask(const QString& caption, const QString& text) override;
};

}  // namespace m716::utility
