// The installer's dialog on a registry store of the test's own: its start, "Install",
// "Remove", the form's enabling rules, and what it refuses before anything is written.

#include <QLabel>
#include <QtTest>

#include "installer_test.h"
#include "qt_test_main.h"

namespace m716::test {
namespace {

const std::string kService = keys::kHardwareBranch;
const QString kServicePath = QString::fromLatin1(keys::kHardwareBranch);

QString line(const std::string& key, const char* value, const QString& content) {
  return QString::fromStdString(key) + "\\" + value + " = " + content;
}

}  // namespace

class InstallerStartTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void aFirstStartCreatesTheServiceKeyAndASecondKeepsIt() {
    const QStringList created{
        line(kService, "BoardIDInUsed", "dword 0"), line(kService, "ErrorControl", "dword 1"),
        line(kService, "Group", "string(14) Extended Base"), line(kService, "Start", "dword 2"),
        line(kService, "Type", "dword 1")};
    {
      InstallerDialog dialog(messages_);
      QCOMPARE(registryContents(kService), created);
      QCOMPARE(boardBox(dialog)->currentText(), "0");
    }
    storeDword(kService, "Type", 9);
    InstallerDialog again(messages_);
    QCOMPARE(again.findChild<QLabel*>("Registry store")->text(),
             QString::fromStdString("Registry store: " + platform::registry().file()));
    QStringList kept = created;
    kept.last() = line(kService, "Type", "dword 9");
    QCOMPARE(registryContents(kService), kept);
    QVERIFY(messages_.texts.isEmpty());
  }

  void aServiceKeyThatCannotBeMadeIsReportedAndLeavesNothing() {
    for (std::uint32_t write = 1; write <= 9; ++write) {
      freshStart();
      platform::failRegistryWrite(write);
      InstallerDialog dialog(messages_);
      QCOMPARE(messages_.texts, QStringList{"Failed to create Registry"});
      QCOMPARE(registryContents(), QStringList{});
      QCOMPARE(boardBox(dialog)->currentText(), "0");
    }
  }

  void theListHoldsTheInstalledBoardsSortedAndSelectsTheLowestUnused() {
    declareBoard(2, 0x340, 10);
    declareBoard(0, 0x300, 5);
    declareBoard(1, 0x320, 7);
    declareBoard(12, 0x280, 15);
    removeValue(keys::hardwareKey(1), "DeviceName");
    InstallerDialog dialog(messages_);
    QCOMPARE(entries(dialog),
             (QStringList{
                 "MCB-716, BoardID=0, I/O=300H, IRQ=5", "MCB-716, BoardID=1, I/O=320H, IRQ=7",
                 "MCB-716, BoardID=12, I/O=280H, IRQ=15", "MCB-716, BoardID=2, I/O=340H, IRQ=10"}));
    QCOMPARE(boardBox(dialog)->currentText(), "3");
    QVERIFY(find<QCheckBox>(dialog, "Auto")->isChecked());
    QVERIFY(!boardBox(dialog)->isEnabled());
    for (const char* name : {"Install", "Remove", "DeSelect"})
      QVERIFY(!button(dialog, name)->isEnabled());
    QCOMPARE(irqBox(dialog)->count(), 7);
    QCOMPARE(irqBox(dialog)->itemText(3), "IRQ10");
    QCOMPARE(irqBox(dialog)->currentIndex(), -1);
    QCOMPARE(boardBox(dialog)->count(), 16);
    QVERIFY(dialog.windowTitle().startsWith("MCB-716 Install/Uninstall Utility"));
  }
};

class InstallerInstallTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void autoTakesTheLowestUnusedBoard() {
    declareBoard(0, 0x300, 5);
    declareBoard(1, 0x320, 5);
    InstallerDialog dialog(messages_);
    install(dialog, "340", "IRQ7");
    QCOMPARE(storedDword(kService, "BoardIDInUsed"), 7u);
    QCOMPARE(registryContents(keys::hardwareKey(2)),
             (QStringList{line(keys::hardwareKey(2), "BaseAddress", "dword 832"),
                          line(keys::hardwareKey(2), "DeviceName",
                               "string(36) MCB-716, BoardID=2, I/O=340H, IRQ=7"),
                          line(keys::hardwareKey(2), "DriverName", "string(12) KRVM716.DLL"),
                          line(keys::hardwareKey(2), "Interrupt", "dword 7"),
                          line(keys::hardwareKey(2), "IoPortCount", "dword 32"),
                          line(keys::hardwareKey(2), "KernelKey", "string(9) KRVM716S")}));
    QVERIFY(registryContents(kService).contains(
        line(kService, "DriverName", "string(12) KRVM716.DLL")));
    QVERIFY(registryContents(kService).contains(line(kService, "KernelKey", "string(9) KRVM716S")));
    QCOMPARE(entries(dialog).last(), "MCB-716, BoardID=2, I/O=340H, IRQ=7");
    QCOMPARE(messages_.confirmations, QStringList{"Driver install successfully! "});
    QCOMPARE(messages_.texts, QStringList{});
    QCOMPARE(baseField(dialog)->text(), "");
    QCOMPARE(irqBox(dialog)->currentIndex(), -1);
    QCOMPARE(boardBox(dialog)->currentText(), "3");
    QVERIFY(!button(dialog, "Install")->isEnabled());
  }

  void theBaseAddressIsStoredAsTypedInTheNameAndAsANumber() {
    InstallerDialog dialog(messages_);
    install(dialog, "2a0", "IRQ10", "3");
    const std::string board = keys::hardwareKey(3);
    QCOMPARE(storedDword(board, "BaseAddress"), 0x2A0u);
    QCOMPARE(storedDword(board, "Interrupt"), 10u);
    QCOMPARE(storedDword(board, "IoPortCount"), 32u);
    QVERIFY(registryContents(board).contains(
        line(board, "DeviceName", "string(37) MCB-716, BoardID=3, I/O=2a0H, IRQ=10")));
    QCOMPARE(storedDword(kService, "BoardIDInUsed"), 8u);
    QCOMPARE(messages_.confirmations.size(), 1);
  }

  void refusalsWriteNothing_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("irq");
    QTest::addColumn<QStringList>("shown");
    const QString range = "Type the base address as a hexadecimal number from 100 to FFE0";
    QTest::newRow("no interrupt") << "300"
                                  << ""
                                  << QStringList{text::kNoInterrupt, "Failed to write Registry"};
    const auto refused = [&](const char* typed) {
      QTest::newRow(typed) << typed << "IRQ5"
                           << QStringList{text::badBaseAddress(QString::fromLatin1(typed))};
    };
    // Every form of text is in the entries' test; here, that each is refused before writing.
    for (const char* typed : {"", "0x300", "xyz", "ff", "FFE1"}) refused(typed);
    QTest::newRow("window over board 0's")
        << "2E1"
        << "IRQ5" << QStringList{text::overlappingBoard(0x2E1, 0, 0x300)};
    QTest::newRow("board 0's own")
        << "300"
        << "IRQ5" << QStringList{text::overlappingBoard(0x300, 0, 0x300)};
    QTest::newRow("window into board 1's")
        << "3FF"
        << "IRQ5" << QStringList{text::overlappingBoard(0x3FF, 1, 0x400)};
    QVERIFY(text::badBaseAddress("1").contains(range));
  }
  void refusalsWriteNothing() {
    QFETCH(QString, base);
    QFETCH(QString, irq);
    QFETCH(QStringList, shown);
    declareBoard(0, 0x300, 5);
    declareBoard(1, 0x400, 5);
    InstallerDialog dialog(messages_);
    const QStringList before = registryContents();
    install(dialog, base, irq);
    QCOMPARE(messages_.texts, shown);
    QCOMPARE(registryContents(), before);
    QCOMPARE(entries(dialog).size(), 2);
  }

  void windowsNextToAnInstalledBoardAreTaken_data() {
    QTest::addColumn<QString>("base");
    for (const char* base : {"2E0", "320", "100", "FFE0", "0100"}) QTest::newRow(base) << base;
  }
  void windowsNextToAnInstalledBoardAreTaken() {
    QFETCH(QString, base);
    declareBoard(0, 0x300, 5);
    InstallerDialog dialog(messages_);
    install(dialog, base, "IRQ5");
    QCOMPARE(messages_.texts, QStringList{});
    QCOMPARE(storedDword(keys::hardwareKey(1), "BaseAddress"), base.toUInt(nullptr, 16));
  }

  void withEveryBoardInUseNothingIsWritten() {
    for (std::uint32_t board = 0; board < 16; ++board) declareBoard(board, 0x100 + board * 0x20, 5);
    InstallerDialog dialog(messages_);
    QCOMPARE(boardBox(dialog)->currentIndex(), -1);
    const QStringList before = registryContents();
    install(dialog, "800", "IRQ5");
    QCOMPARE(messages_.texts, QStringList{"BoardID not Selected"});
    QCOMPARE(registryContents(), before);
  }

  void aFailedInstallChangesNothing() {
    // Three service values, then the board key: deleted, made, and its six values.
    for (std::uint32_t write = 1; write <= 10; ++write) {
      freshStart();
      declareBoard(0, 0x300, 5);
      InstallerDialog dialog(messages_);
      const QStringList before = registryContents();
      platform::failRegistryWrite(write);
      install(dialog, "2a0", "IRQ10", "3");
      QCOMPARE(messages_.texts, QStringList{"Failed to write Registry"});
      QCOMPARE(registryContents(), before);
      QCOMPARE(entries(dialog).size(), 1);
    }
  }

  void aBoardInstalledMeanwhileByAnotherProgramIsNotOverwritten() {
    InstallerDialog dialog(messages_);
    find<QCheckBox>(dialog, "Auto")->click();
    choose(boardBox(dialog), "0");
    declareBoard(0, 0x300, 5);
    const QStringList before = registryContents();
    install(dialog, "2a0", "IRQ10");
    QCOMPARE(messages_.texts, QStringList{text::kBoardInUse});
    QCOMPARE(registryContents(), before);
    QCOMPARE(boardBox(dialog)->currentText(), "1");
  }
};

class InstallerFormTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void selectingAnEntryShowsItsSetting() {
    InstallerDialog dialog(messages_);
    install(dialog, "2a0", "IRQ10", "3");
    selectEntry(dialog, "MCB-716, BoardID=3");
    QCOMPARE(baseField(dialog)->text(), "2A0");
    QCOMPARE(irqBox(dialog)->currentText(), "IRQ10");
    QCOMPARE(boardBox(dialog)->currentText(), "3");
    QVERIFY(button(dialog, "Remove")->isEnabled());
    QVERIFY(button(dialog, "DeSelect")->isEnabled());
    QVERIFY(!button(dialog, "Install")->isEnabled());

    button(dialog, "DeSelect")->click();
    QVERIFY(deviceList(dialog)->selectedItems().isEmpty());
    QCOMPARE(baseField(dialog)->text(), "");
    QCOMPARE(irqBox(dialog)->currentIndex(), -1);
    QCOMPARE(boardBox(dialog)->currentText(), "0");
    for (const char* name : {"Install", "Remove", "DeSelect"})
      QVERIFY(!button(dialog, name)->isEnabled());
  }

  void anInterruptTheBoxDoesNotOfferIsNotSelected() {
    declareBoard(0, 0x300, 9);
    InstallerDialog dialog(messages_);
    selectEntry(dialog, "MCB-716, BoardID=0");
    QCOMPARE(irqBox(dialog)->currentIndex(), -1);
    QCOMPARE(baseField(dialog)->text(), "300");
  }

  void installIsEnabledOnceTheFormIsComplete_data() {
    QTest::addColumn<bool>("autoBoard");
    QTest::addColumn<QString>("irq");
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("auto, irq, base") << true << "IRQ5"
                                     << "300" << true;
    QTest::newRow("auto, base, no irq") << true << ""
                                        << "300" << false;
    QTest::newRow("auto, irq, no base") << true << "IRQ5"
                                        << "" << false;
    QTest::newRow("a board, irq, base") << false << "IRQ5"
                                        << "300" << true;
  }
  void installIsEnabledOnceTheFormIsComplete() {
    QFETCH(bool, autoBoard);
    QFETCH(QString, irq);
    QFETCH(QString, base);
    QFETCH(bool, enabled);
    InstallerDialog dialog(messages_);
    if (!autoBoard) find<QCheckBox>(dialog, "Auto")->click();
    QCOMPARE(boardBox(dialog)->isEnabled(), !autoBoard);
    if (!irq.isEmpty()) choose(irqBox(dialog), irq);
    QTest::keyClicks(baseField(dialog), base);
    QCOMPARE(button(dialog, "Install")->isEnabled(), enabled);
  }

  void clearingAutoWithoutABoardDisablesInstall() {
    for (std::uint32_t board = 0; board < 16; ++board) declareBoard(board, 0x100 + board * 0x20, 5);
    InstallerDialog dialog(messages_);
    choose(irqBox(dialog), "IRQ5");
    QTest::keyClicks(baseField(dialog), "800");
    QVERIFY(button(dialog, "Install")->isEnabled());
    find<QCheckBox>(dialog, "Auto")->click();
    QVERIFY(!button(dialog, "Install")->isEnabled());
  }

  void aBoardInUseMovesTheChoiceToTheLowestUnused() {
    declareBoard(0, 0x300, 5);
    declareBoard(1, 0x320, 5);
    declareBoard(5, 0x340, 5);
    InstallerDialog dialog(messages_);
    find<QCheckBox>(dialog, "Auto")->click();
    QTest::keyClicks(baseField(dialog), "380");
    choose(boardBox(dialog), "5");
    QCOMPARE(boardBox(dialog)->currentText(), "2");
    QCOMPARE(messages_.texts, QStringList{text::kBoardInUse});
    QVERIFY(button(dialog, "Install")->isEnabled());
    choose(boardBox(dialog), "4");
    QCOMPARE(boardBox(dialog)->currentText(), "4");
    QCOMPARE(messages_.texts.size(), 1);
  }
};

class InstallerRemoveTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void removingABoardDeletesBothItsKeys() {
    declareBoard(0, 0x300, 5);
    declareBoard(3, 0x2A0, 10);
    storeDword(keys::parameterKey(3) + "\\Xaxis", "RG", 800000);
    storeDword(keys::parameterKey(0), "IPODV", 100);
    InstallerDialog dialog(messages_);
    selectEntry(dialog, "MCB-716, BoardID=3");
    button(dialog, "Remove")->click();
    QCOMPARE(storedDword(kService, "BoardIDInUsed"), 1u);
    QCOMPARE(registryContents(keys::hardwareKey(3)), QStringList{});
    QCOMPARE(registryContents(keys::parameterKey(3)), QStringList{});
    QCOMPARE(registryContents(keys::hardwareKey(0)).size(), 3);
    QCOMPARE(storedDword(keys::parameterKey(0), "IPODV"), 100u);
    QCOMPARE(entries(dialog), QStringList{"MCB-716, BoardID=0, I/O=300H, IRQ=5"});
    QCOMPARE(messages_.texts, QStringList{});
    QCOMPARE(boardBox(dialog)->currentText(), "1");
    QVERIFY(!button(dialog, "Remove")->isEnabled());
  }

  // An entry stays with the key it was read from, whichever board its name gives.
  void anEntryIsSelectedAndRemovedUnderItsOwnKey() {
    declareBoard(3, 0x2A0, 10);
    declareBoard(5, 0x300, 5);
    platform::RegKey key;
    QCOMPARE(platform::registry().openKey(keys::hardwareKey(5), key), platform::RegStatus::ok);
    key.setString(keys::kDeviceName, "Spare MCB-716, BoardID=3, I/O=300H, IRQ=5");
    InstallerDialog dialog(messages_);
    selectEntry(dialog, "Spare");
    QCOMPARE(boardBox(dialog)->currentText(), "5");
    QCOMPARE(find<QLineEdit>(dialog, "Base Address")->text(), "300");
    button(dialog, "Remove")->click();
    QCOMPARE(storedDword(kService, "BoardIDInUsed"), 1u << 3);
    QCOMPARE(registryContents(keys::hardwareKey(5)), QStringList{});
    QCOMPARE(registryContents(keys::hardwareKey(3)).size(), 3);
    QCOMPARE(entries(dialog), QStringList{"MCB-716, BoardID=3, I/O=2a0H, IRQ=10"});
  }

  void aFailedRemovalChangesNothing() {
    for (std::uint32_t write = 1; write <= 3; ++write) {
      freshStart();
      declareBoard(3, 0x2A0, 10);
      storeDword(keys::parameterKey(3), "IPODV", 100);
      InstallerDialog dialog(messages_);
      const QStringList before = registryContents();
      selectEntry(dialog, "MCB-716, BoardID=3");
      platform::failRegistryWrite(write);
      button(dialog, "Remove")->click();
      QCOMPARE(messages_.texts, QStringList{"Failed to write Registry"});
      QCOMPARE(registryContents(), before);
      QCOMPARE(entries(dialog).size(), 1);
    }
  }

  void removeWithoutASelectionSaysSo() {
    declareBoard(0, 0x300, 5);
    InstallerDialog dialog(messages_);
    button(dialog, "Remove")->setEnabled(true);
    button(dialog, "Remove")->click();
    QCOMPARE(messages_.texts, QStringList{"No device selected"});
    QCOMPARE(storedDword(kService, "BoardIDInUsed"), 1u);
  }
};

M716_REGISTER_QT_TEST(InstallerStartTest);
M716_REGISTER_QT_TEST(InstallerInstallTest);
M716_REGISTER_QT_TEST(InstallerFormTest);
M716_REGISTER_QT_TEST(InstallerRemoveTest);

}  // namespace m716::test

#include "installer_dialog_test.moc"
