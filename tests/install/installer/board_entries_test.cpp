// The texts of the installer's list: the board number read back from an entry, the mark of a
// board that does not answer, and the base addresses the board can use.

#include "board_entries.h"

#include <QtTest>

#include "qt_test_main.h"

namespace m716::test {

using namespace installer;

class BoardEntriesTest : public QObject {
  Q_OBJECT

 private slots:
  void theBoardNumberFollowsTheFirstEqualsSign_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("board");  // -1: none
    QTest::newRow("one digit") << "MCB-716, BoardID=2, I/O=300H, IRQ=5" << 2;
    QTest::newRow("two digits") << "MCB-716, BoardID=15, I/O=300H, IRQ=5" << 15;
    QTest::newRow("marked") << "MCB-716, BoardID=7, I/O=300H, IRQ=5 Not In System " << 7;
    QTest::newRow("no board past 15") << "MCB-716, BoardID=16, I/O=300H, IRQ=5" << -1;
    QTest::newRow("no digit") << "MCB-716, BoardID=, I/O=300H" << -1;
    QTest::newRow("no equals sign") << "MCB-716" << -1;
    QTest::newRow("equals sign last") << "MCB-716=" << -1;
  }
  void theBoardNumberFollowsTheFirstEqualsSign() {
    QFETCH(QString, entry);
    QFETCH(int, board);
    const auto found = boardOfEntry(entry);
    QCOMPARE(found ? static_cast<int>(*found) : -1, board);
  }

  void theMarkFollowsTheWholeInterruptNumber_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("marked");
    QTest::newRow("IRQ5") << "MCB-716, BoardID=1, I/O=280H, IRQ=5"
                          << "MCB-716, BoardID=1, I/O=280H, IRQ=5 Not In System ";
    QTest::newRow("IRQ10") << "MCB-716, BoardID=1, I/O=280H, IRQ=10"
                           << "MCB-716, BoardID=1, I/O=280H, IRQ=10 Not In System ";
    QTest::newRow("no IRQ") << "MCB-716, BoardID=1"
                            << "MCB-716, BoardID=1 Not In System ";
  }
  void theMarkFollowsTheWholeInterruptNumber() {
    QFETCH(QString, entry);
    QFETCH(QString, marked);
    QVERIFY(!isMarkedNotInSystem(entry));
    QCOMPARE(markedNotInSystem(entry), marked);
    QVERIFY(isMarkedNotInSystem(marked));
  }

  void baseAddressesTheBoardCanUse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");  // -1: refused
    QTest::newRow("lower case") << "2a0" << 0x2A0;
    QTest::newRow("lowest") << "100" << 0x100;
    QTest::newRow("highest") << "ffe0" << 0xFFE0;
    QTest::newRow("four digits") << "0300" << 0x300;
    QTest::newRow("system board's ports") << "FF" << -1;
    QTest::newRow("past the I/O space") << "FFE1" << -1;
    QTest::newRow("five digits") << "00300" << -1;
    QTest::newRow("prefix") << "0x300" << -1;
    QTest::newRow("suffix") << "300h" << -1;
    QTest::newRow("sign") << "+300" << -1;
    QTest::newRow("space") << "300 " << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("wide digit") << QStringLiteral("３00") << -1;
  }
  void baseAddressesTheBoardCanUse() {
    QFETCH(QString, text);
    QFETCH(int, base);
    const auto found = baseAddressOf(text);
    QCOMPARE(found ? static_cast<int>(*found) : -1, base);
  }

  void windowsOverlapBothWaysAndHighBitsAreNoBoards() {
    QVERIFY(portWindowsOverlap(0x300, 0x31F) && portWindowsOverlap(0x31F, 0x300));
    QVERIFY(!portWindowsOverlap(0x300, 0x320) && !portWindowsOverlap(0x320, 0x300));
    QCOMPARE(lowestUnusedBoard(0xFFFF), std::nullopt);
    QCOMPARE(lowestUnusedBoard(0xFFFF'7FFF), 15u);
  }
};

M716_REGISTER_QT_TEST(BoardEntriesTest);

}  // namespace m716::test

#include "board_entries_test.moc"
