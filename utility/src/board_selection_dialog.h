#pragma once
// The board selection dialog, "Board Selection": the installed boards that answer can be
// chosen until one has been opened; "OK" opens the chosen board.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QDialog>
#include <array>

#include "error_presenter.h"
#include "program_state.h"

class QPushButton;
class QRadioButton;

namespace m716::utility {

class BoardSelectionDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks the library which boards are there and shows them.
  BoardSelectionDialog(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);

  QRadioButton* boardButton(int board) const { return boards_[static_cast<std::size_t>(board)]; }
  QPushButton* okButton() const { return ok_; }

 private:
  bool mayOpen(std::uint32_t board);
  void openChosenBoard();

  ProgramState& state_;
  ErrorPresenter& errors_;
  std::array<QRadioButton*, kNoBoard> boards_{};
  QPushButton* ok_;
};

}  // namespace m716::utility
