// The main screen against the recorder of the library's calls: its buttons, the secondary
// screens it keeps, and the event poll.

#include "main_screen.h"

#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "qt_test_main.h"
#include "screen_test.h"

namespace m716::test {

using utility::MainScreen;

class MainScreenTest : public ScreenTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void showsItsButtonsWithExitAsDefault() {
    MainScreen screen(state_, errors_);
    QCOMPARE(screen.windowTitle(), "MCB-716 Motion Utility");
    QVERIFY(!screen.windowIcon().isNull());
    int above = -1;
    for (const char* caption : {"Board Selection", "Parameter Setting", "Input Status", "Operation",
                                "Profile Monitor", "Help", "Exit"}) {
      screen.show();
      QPushButton* button = screen.button(caption);
      QVERIFY2(button, caption);
      QVERIFY2(button->y() > above, caption);
      above = button->y();
    }
    QVERIFY(screen.button("Exit")->isDefault());
  }

  void screenButtonsRefuseUntilABoardIsChosen_data() {
    QTest::addColumn<QString>("caption");
    for (const char* caption :
         {"Parameter Setting", "Input Status", "Operation", "Profile Monitor"})
      QTest::newRow(caption) << caption;
  }
  void screenButtonsRefuseUntilABoardIsChosen() {
    QFETCH(QString, caption);
    MainScreen screen(state_, errors_);
    screen.button(caption)->click();
    QCOMPARE(messages_.texts, QStringList{"No board is selected"});
    for (const QWidget* window : QApplication::topLevelWidgets()) QVERIFY(!window->isVisible());
    QVERIFY(CallRecorder::calls().empty());
  }

  void helpAndTheMonitorsShowTheirMessages() {
    MainScreen screen(state_, errors_);
    screen.button("Help")->click();
    state_.currentBoard = 0;
    screen.button("Profile Monitor")->click();
    QCOMPARE(messages_.texts, (QStringList{"For detail information, please refer to MCB716.chm",
                                           "These two monitor chart is for reference only"}));
  }

  void operationTwiceBringsTheSameScreenForward() {
    MainScreen screen(state_, errors_);
    state_.currentBoard = 0;  // as the board selection leaves it
    screen.button("Operation")->click();
    const QPointer<utility::OperationScreen> first = screen.operationScreen();
    QVERIFY(first && first->isVisible());
    screen.button("Operation")->click();
    QCOMPARE(screen.operationScreen(), first.data());

    first->close();  // the screen empties the reference itself
    QCOMPARE(screen.operationScreen(), nullptr);
    QTRY_VERIFY(first.isNull());
    screen.button("Operation")->click();
    QVERIFY(screen.operationScreen() != nullptr);
  }

  void parameterSettingAndInputStatusAreBroughtForward() {
    MainScreen screen(state_, errors_);
    state_.currentBoard = 1;  // as the board selection leaves it
    screen.button("Parameter Setting")->click();
    screen.button("Input Status")->click();
    const QPointer<utility::ParameterSettingScreen> parameters = screen.parameterSettingScreen();
    const QPointer<utility::InputStatusScreen> inputs = screen.inputStatusScreen();
    QVERIFY(parameters && parameters->isVisible() && inputs && inputs->isVisible());
    parameters->tabs()->setCurrentIndex(3);
    screen.button("Parameter Setting")->click();
    screen.button("Input Status")->click();
    QCOMPARE(screen.parameterSettingScreen(), parameters.data());
    QCOMPARE(screen.inputStatusScreen(), inputs.data());
    QCOMPARE(parameters->tabs()->currentIndex(), 3);

    parameters->close();  // each screen empties the reference itself
    QCOMPARE(screen.parameterSettingScreen(), nullptr);
    QTRY_VERIFY(parameters.isNull());
    screen.button("Exit")->click();  // closes the input status screen with it
    QCOMPARE(screen.inputStatusScreen(), nullptr);
    QTRY_VERIFY(inputs.isNull());
  }

  void exitClosesTheOperationScreenWhichStopsEveryAxis() {
    MainScreen screen(state_, errors_);
    state_.currentBoard = 2;  // as the board selection leaves it
    screen.show();
    screen.button("Operation")->click();
    CallRecorder::reset();
    screen.button("Exit")->click();
    QVERIFY(!screen.isVisible());
    QCOMPARE(CallRecorder::calls(), std::vector<std::string>{"M716MotStop(2, 15, 0)"});
    QVERIFY(!screen.polling());
  }

  void escapeDoesNotEndTheProgram() {
    MainScreen screen(state_, errors_);
    screen.show();
    QTest::keyClick(&screen, Qt::Key_Escape);
    QVERIFY(screen.isVisible());
  }

  void thePollShowsOneMessagePerEventInOrder() {
    MainScreen screen(state_, errors_);
    state_.currentBoard = 7;  // as the board selection leaves it
    CallRecorder::queueEvents(0x8002);
    QTRY_COMPARE(messages_.texts.size(), 2);
    QCOMPARE(messages_.texts, (QStringList{"Receive the X axis P >= C- Irq message",
                                           "Receive the Y axis Drive End Irq message"}));
    QCOMPARE(messages_.captions, (QStringList{"MCB-716 Message", "MCB-716 Message"}));
    QCOMPARE(CallRecorder::calls().front(), "M716MotCheckEvent(7, 0)");
  }

  void thePollWaitsWhileItsMessagesAreOpen() {
    MainScreen screen(state_, errors_);
    state_.currentBoard = 0;  // as the board selection leaves it
    CallRecorder::queueEvents(0x80);
    CallRecorder::queueEvents(0x02);
    // While the first message is open a tick falls due: it neither polls nor shows anything.
    messages_.whileShown = [&] { screen.pollEvents(); };
    screen.pollEvents();
    QCOMPARE(CallRecorder::callsOf("M716MotCheckEvent").size(), 1u);
    QCOMPARE(messages_.texts, QStringList{"Receive the X axis Drive End Irq message"});
    messages_.whileShown = nullptr;
    screen.pollEvents();
    QCOMPARE(messages_.texts, (QStringList{"Receive the X axis Drive End Irq message",
                                           "Receive the X axis P >= C- Irq message"}));
  }

  void noPollWithoutABoard() {
    MainScreen screen(state_, errors_);
    QVERIFY(screen.polling());
    screen.pollEvents();
    QVERIFY(CallRecorder::calls().empty());
  }
};

M716_REGISTER_QT_TEST(MainScreenTest);

}  // namespace m716::test

#include "main_screen_test.moc"
