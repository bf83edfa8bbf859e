// A board installed from the installer's dialog, on the simulated board at 300H: listed as
// answering by `m716 boards` and opened through the utility's board selection.

#include <QRadioButton>
#include <QtTest>

#include "KRVM716.h"
#include "board_selection_dialog.h"
#include "error_presenter.h"
#include "installer_test.h"
#include "program_state.h"
#include "qt_test_main.h"
#include "support/program.h"

namespace m716::test {

class InstallerEndToEndTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }
  void cleanup() { M716MotDevClose(0); }

  void aBoardInstalledFromTheDialogIsListedAndOpened() {
    {
      InstallerDialog dialog(messages_);
      install(dialog, "300", "IRQ5");
      QCOMPARE(messages_.confirmations, QStringList{text::kInstalled});
    }
    const ProgramResult listed = runProgram(M716_PROGRAM, {"boards"}, store_->folder());
    QCOMPARE(listed.status, 0);
    QVERIFY2(listed.out.find("Board  0:  base 0x300  IRQ 5  answers") != std::string::npos,
             listed.out.c_str());

    utility::ProgramState state;
    utility::ErrorPresenter errors(messages_);
    utility::BoardSelectionDialog selection(state, errors);
    QVERIFY(selection.boardButton(0)->isEnabled());
    selection.boardButton(0)->setChecked(true);
    selection.okButton()->click();
    QVERIFY(state.boardOpened);
    QCOMPARE(messages_.texts, QStringList{});
  }
};

M716_REGISTER_QT_TEST(InstallerEndToEndTest);

}  // namespace m716::test

#include "end_to_end_test.moc"
