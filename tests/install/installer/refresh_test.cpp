// "Refresh": the motion library loaded by its system name and asked which boards answer, on
// the simulated board at 300H; and the libraries it cannot use.

#include <QtTest>

#include "installer_test.h"
#include "m716/platform/dynload.h"
#include "qt_test_main.h"
#include "support/temp_registry.h"

namespace m716::test {

class InstallerRefreshTest : public InstallerTest {
  Q_OBJECT

 private slots:
  void init() { freshStart(); }

  void boardsThatDoNotAnswerAreMarkedOnce() {
    declareBoard(0, 0x300, 5);
    declareBoard(1, 0x280, 5);
    declareBoard(2, 0x2C0, 10);
    InstallerDialog dialog(messages_);
    const QStringList marked{"MCB-716, BoardID=0, I/O=300H, IRQ=5",
                             "MCB-716, BoardID=1, I/O=280H, IRQ=5 Not In System ",
                             "MCB-716, BoardID=2, I/O=2c0H, IRQ=10 Not In System "};
    button(dialog, "Refresh")->click();
    QCOMPARE(entries(dialog), marked);
    selectEntry(dialog, "MCB-716, BoardID=0");
    button(dialog, "Refresh")->click();
    QCOMPARE(entries(dialog), marked);
    QCOMPARE(baseField(dialog)->text(), "300");
    QVERIFY(button(dialog, "Remove")->isEnabled());
    QCOMPARE(messages_.texts, QStringList{});

    selectEntry(dialog, "MCB-716, BoardID=2");
    QCOMPARE(irqBox(dialog)->currentText(), "IRQ10");
    button(dialog, "Remove")->click();
    QCOMPARE(storedDword(keys::kHardwareBranch, "BoardIDInUsed"), 3u);
  }
};

// Each row's library in a folder of its own, found there by its system name.
class InstallerLibraryTest : public InstallerTest {
  Q_OBJECT

  TempRegistry emptyFolder_;

 private slots:
  void init() { freshStart(); }
  void cleanup() { platform::setLibrarySearchPath({}); }

  void aLibraryItCannotUseIsReported_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << QString::fromStdString(emptyFolder_.folder().string())
                          << text::kLibraryMissing;
    QTest::newRow("without the query") << M716_LIBRARY_WITHOUT_QUERY << text::kNoQuery;
    QTest::newRow("query fails") << M716_LIBRARY_FAILING_QUERY << text::kQueryFailed;
  }
  void aLibraryItCannotUseIsReported() {
    QFETCH(QString, folder);
    QFETCH(QString, shown);
    declareBoard(0, 0x300, 5);
    platform::setLibrarySearchPath({folder.toStdString()});
    InstallerDialog dialog(messages_);
    baseField(dialog)->setText("340");
    button(dialog, "Refresh")->click();
    QCOMPARE(messages_.texts, QStringList{shown});
    QCOMPARE(entries(dialog), QStringList{"MCB-716, BoardID=0, I/O=300H, IRQ=5"});
    // The form is reset unless the library could not be loaded at all.
    QCOMPARE(baseField(dialog)->text(), shown == text::kLibraryMissing ? "340" : "");
  }
};

M716_REGISTER_QT_TEST(InstallerRefreshTest);
M716_REGISTER_QT_TEST(InstallerLibraryTest);

}  // namespace m716::test

#include "refresh_test.moc"
