// The board selection dialog against the recorder of the library's calls.

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "board_selection_dialog.h"
#include "qt_test_main.h"
#include "screen_probe.h"
#include "screen_test.h"

namespace m716::test {

using utility::BoardSelectionDialog;

class BoardSelectionTest : public ScreenTest {
  Q_OBJECT

  static std::vector<int> enabledBoards(const BoardSelectionDialog& dialog) {
    std::vector<int> boards;
    for (int board = 0; board < 16; ++board)
      if (dialog.boardButton(board)->isEnabled()) boards.push_back(board);
    return boards;
  }

 private slots:
  void init() { freshStart(); }

  void showsSixteenBoardsInTwoColumns() {
    CallRecorder::setAvailableBoards(0b1000'0000'0000'0101);
    BoardSelectionDialog dialog(state_, errors_);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), "Board Selection");
    QVERIFY(group(dialog, "Available Boards in System"));
    QCOMPARE(dialog.boardButton(15)->text(), "Board 15");
    QCOMPARE(enabledBoards(dialog), (std::vector<int>{0, 2, 15}));
    QCOMPARE(dialog.boardButton(7)->x(), dialog.boardButton(0)->x());
    QVERIFY(dialog.boardButton(7)->y() > dialog.boardButton(0)->y());
    QVERIFY(dialog.boardButton(8)->x() > dialog.boardButton(0)->x());
    QCOMPARE(dialog.boardButton(8)->y(), dialog.boardButton(0)->y());
    QVERIFY(control<QPushButton>(dialog, "Exit")->isDefault());
    QCOMPARE(CallRecorder::calls(), std::vector<std::string>{"M716MotDevAvailable()"});
  }

  void okOpensTheChosenBoard() {
    CallRecorder::setAvailableBoards(0b1000);
    BoardSelectionDialog dialog(state_, errors_);
    dialog.boardButton(3)->setChecked(true);
    dialog.okButton()->click();
    QCOMPARE(CallRecorder::callsOf("M716MotDevOpen"),
             std::vector<std::string>{"M716MotDevOpen(3)"});
    QCOMPARE(state_.currentBoard, 3);
    QVERIFY(state_.boardOpened);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(messages_.texts.isEmpty());
  }

  void withNoBoardInstalledOkShowsTheBoardNumberError() {
    CallRecorder::setResult("M716MotDevOpen", 1);
    BoardSelectionDialog dialog(state_, errors_);
    QVERIFY(enabledBoards(dialog).empty());
    dialog.okButton()->click();
    QCOMPARE(CallRecorder::callsOf("M716MotDevOpen"),
             std::vector<std::string>{"M716MotDevOpen(16)"});
    QCOMPARE(messages_.texts, QStringList{"The assigned Board number error"});
    QCOMPARE(state_.currentBoard, 16);
    QVERIFY(!state_.boardOpened);
  }

  void aFailedDiscoveryIsShownAndNoBoardCanBeChosen() {
    CallRecorder::setAvailableBoards(0xFFFF);  // the word is used as the call left it
    CallRecorder::setResult("M716MotDevAvailable", 5);
    BoardSelectionDialog dialog(state_, errors_);
    QCOMPARE(messages_.texts, QStringList{"Read Registry file error"});
    QCOMPARE(enabledBoards(dialog).size(), 16u);
  }

  void aFailedOpenKeepsTheNumberUntilTheDialogOpensAgain() {
    CallRecorder::setAvailableBoards(0b100);
    CallRecorder::setResult("M716MotDevOpen", 98);
    {
      BoardSelectionDialog dialog(state_, errors_);
      dialog.boardButton(2)->setChecked(true);
      dialog.okButton()->click();
    }
    QCOMPARE(messages_.texts, QStringList{"Device not in the system"});
    QCOMPARE(state_.currentBoard, 2);
    QVERIFY(!state_.boardOpened);
    BoardSelectionDialog again(state_, errors_);
    QCOMPARE(state_.currentBoard, 16);
    QVERIFY(again.okButton()->isEnabled());
  }

  void onceABoardIsOpenItIsShownCheckedAndCannotChange() {
    state_.currentBoard = 5;
    state_.boardOpened = true;
    CallRecorder::setAvailableBoards(0b110000);
    BoardSelectionDialog dialog(state_, errors_);
    QVERIFY(dialog.boardButton(5)->isChecked());
    QVERIFY(!dialog.okButton()->isEnabled());
    QCOMPARE(state_.currentBoard, 5);
    control<QPushButton>(dialog, "Exit")->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(CallRecorder::calls(), std::vector<std::string>{"M716MotDevAvailable()"});
  }
};

M716_REGISTER_QT_TEST(BoardSelectionTest);

}  // namespace m716::test

#include "board_selection_test.moc"
