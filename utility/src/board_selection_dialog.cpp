#include "board_selection_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "KRVM716.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/ownership.h"
#include "widgets.h"

namespace m716::utility {

BoardSelectionDialog::BoardSelectionDialog(ProgramState& state, ErrorPresenter& errors,
                                           QWidget* parent)
    : QDialog(parent), state_(state), errors_(errors) {
  setWindowTitle(QStringLiteral("Board Selection"));
  auto* frame = new QGroupBox(QStringLiteral("Available Boards in System"));
  auto* grid = new QGridLayout(frame);
  auto* group = new QButtonGroup(this);
  for (int board = 0; board < kNoBoard; ++board) {
    auto* button = new QRadioButton(QStringLiteral("Board %1").arg(board));
    boards_[static_cast<std::size_t>(board)] = button;
    group->addButton(button);
    grid->addWidget(button, board % 8, board / 8);
  }
  ok_ = ui::pushButton(QStringLiteral("OK"), this, &BoardSelectionDialog::openChosenBoard);
  auto* exit = ui::pushButton(QStringLiteral("Exit"), this, &QDialog::reject);
  exit->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);

  std::uint32_t available = 0;
  errors_.check(M716MotDevAvailable(&available));
  for (int board = 0; board < kNoBoard; ++board)
    if ((available >> board & 1) == 0) boardButton(board)->setEnabled(false);
  if (state_.boardOpened) {
    boardButton(state_.currentBoard)->setChecked(true);
    ok_->setEnabled(false);
  } else {
    state_.currentBoard = kNoBoard;
  }
}

// Opening a board another process has open resets it under that process: only when the user
// says so. Nothing else is asked.
bool BoardSelectionDialog::mayOpen(std::uint32_t board) {
  const auto holder = platform::otherMarkHolder(keys::ownershipMarkName(board));
  if (!holder) return true;
  return errors_.ask(
      QStringLiteral("Board %1 is in use by process %2. Opening it resets the board and stops "
                     "that program's axes. Open it anyway?")
          .arg(board)
          .arg(QString::fromStdString(platform::describeProcess(*holder))));
}

void BoardSelectionDialog::openChosenBoard() {
  for (int board = 0; board < kNoBoard; ++board)
    if (boardButton(board)->isChecked()) state_.currentBoard = static_cast<std::uint8_t>(board);
  if (!state_.boardOpened && state_.currentBoard != kNoBoard && !mayOpen(state_.board())) {
    state_.currentBoard = kNoBoard;  // the dialog stays, for another choice or Exit
    return;
  }
  if (!state_.boardOpened && errors_.check(M716MotDevOpen(state_.board())) == 0)
    state_.boardOpened = true;
  accept();
}

}  // namespace m716::utility
