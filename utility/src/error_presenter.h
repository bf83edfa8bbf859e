#pragma once
// Shows the library's error codes and the utility's own texts through the message interface:
// a code is mapped to its string table entry, whose text is shown with OK only.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QString>
#include <cstdint>

#include "messages.h"

namespace m716::utility {

// The caption of every message box the utility shows.
inline const QString kMessageCaption = QStringLiteral("MCB-716 Message");

class ErrorPresenter {
 public:
  explicit ErrorPresenter(ui::Messages& messages) : messages_(messages) {}

  // Shows the text of a library result other than 0; returns the result.
  std::uint32_t check(std::uint32_t code);
  // Shows the string table entry `id` (the utility's own texts).
  void tell(std::uint32_t id);
  // Asks the string table entry `id` with Yes and No.
  bool ask(std::uint32_t id);
  // Shows a text of the program's own with OK only.
  void inform(const QString& text);
  // Asks a text of the program's own with Yes and No.
  bool ask(const QString& text);

 private:
  ui::Messages& messages_;
};

}  // namespace m716::utility
