// The pieces every screen shares: the numeric fields, the error presenter, the program's
// message boxes and the texts of the event poll.

#include <QLabel>
#include <QMessageBox>
#include <QtTest>
#include <optional>

#include "captured_messages.h"
#include "error_presenter.h"
#include "main_screen.h"
#include "number_field.h"
#include "qt_test_main.h"

namespace m716::test {

using utility::NumberKind;

class SharedUnitsTest : public QObject {
  Q_OBJECT

 private slots:
  void parsesOnlyNumbersOfTheFieldsKind_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isSigned");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<qint64>("value");
    QTest::newRow("unsigned") << "6000" << false << true << qint64{6000};
    QTest::newRow("unsigned top") << "4294967295" << false << true << qint64{4294967295};
    QTest::newRow("unsigned beyond") << "4294967296" << false << false << qint64{};
    QTest::newRow("unsigned negative") << "-1" << false << false << qint64{};
    QTest::newRow("signed blanks") << "  -5 " << true << true << qint64{-5};
    QTest::newRow("signed bottom") << "-2147483648" << true << true << qint64{-2147483648};
    QTest::newRow("signed beyond") << "2147483648" << true << false << qint64{};
    QTest::newRow("letters after") << "12a" << true << false << qint64{};
    QTest::newRow("hexadecimal") << "0x10" << false << false << qint64{};
    QTest::newRow("exponent") << "1e3" << false << false << qint64{};
    QTest::newRow("empty") << "" << true << false << qint64{};
  }
  void parsesOnlyNumbersOfTheFieldsKind() {
    QFETCH(QString, text);
    QFETCH(bool, isSigned);
    QFETCH(bool, isNumber);
    QFETCH(qint64, value);
    const auto parsed =
        utility::parseNumber(text, isSigned ? NumberKind::signed32 : NumberKind::unsigned32);
    QCOMPARE(parsed.has_value(), isNumber);
    if (isNumber) QCOMPARE(*parsed, value);
  }

  void aFieldKeepsItsValueWhenTheTextIsNoNumber() {
    CapturedMessages messages;
    utility::ErrorPresenter errors(messages);
    utility::NumberField field(NumberKind::unsigned32, 6000, errors);
    field.setText("-7");
    field.take();
    QCOMPARE(field.unsignedValue(), 6000u);
    QCOMPARE(field.text(), "6000");
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].contains("\"-7\""));
    QCOMPARE(messages.captions, QStringList{"MCB-716 Message"});

    field.setText("7000");
    QTest::keyClick(&field, Qt::Key_Return);  // leaving the field takes it too
    QCOMPARE(field.unsignedValue(), 7000u);
    QCOMPARE(messages.texts.size(), 1);
  }

  void errorCodesShowTheirStringTableText_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("39") << 39u << "Undefined Error Message";
    QTest::newRow("49") << 49u << "Undefined Error Message";
    QTest::newRow("99") << 99u << "Undefined Error Message";
    QTest::newRow("48 shows string 40") << 48u << "System return error when create IRQ event";
    QTest::newRow("1") << 1u << "The assigned Board number error";
    QTest::newRow("98 shows string 60") << 98u << "Device not in the system";
  }
  void errorCodesShowTheirStringTableText() {
    QFETCH(uint, code);
    QFETCH(QString, text);
    CapturedMessages messages;
    utility::ErrorPresenter errors(messages);
    QCOMPARE(errors.check(code), code);
    QCOMPARE(messages.texts, QStringList{text});
    QCOMPARE(messages.captions, QStringList{"MCB-716 Message"});
  }

  // The box shows all of a long text however long its words: each line fits the label.
  void aLongTextWrapsInItsMessageBox() {
    const QString text =
        QStringLiteral("\"%1\" is not a whole number from 1 to 500; the field keeps 500.")
            .arg(QString(211, QLatin1Char('7')));
    QString shown;
    QRect needed, label;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      const auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      shown = text->text();
      label = text->contentsRect();
      needed = text->fontMetrics().boundingRect(QRect(0, 0, label.width(), 100000),
                                                Qt::TextWordWrap, shown);
      box->accept();
    });
    ui::QtMessages().inform(QStringLiteral("MCB-716 Message"), text);
    QCOMPARE(QString(shown).remove(QChar(0x200B)), text);
    QCOMPARE_LE(needed.width(), label.width());
    QCOMPARE_LE(needed.height(), label.height());
  }

  void successShowsNothing() {
    CapturedMessages messages;
    utility::ErrorPresenter errors(messages);
    QCOMPARE(errors.check(0), 0u);
    QVERIFY(messages.texts.isEmpty());
  }

  void eventWordsGiveTheirMessagesInOrder_data() {
    QTest::addColumn<uint>("events");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("X 0x02, Y 0x80") << 0x8002u
                                    << QStringList{"Receive the X axis P >= C- Irq message",
                                                   "Receive the Y axis Drive End Irq message"};
    QTest::newRow("pulse bit alone") << 0x01010101u << QStringList{};
    QTest::newRow("every bit of U")
        << 0xFF000000u
        << QStringList{
               "Receive the U axis P >= C- Irq message",  "Receive the U axis P < C- Irq message",
               "Receive the U axis P < C+ Irq message",   "Receive the U axis P >= C+ Irq message",
               "Receive the U axis C-End Irq message",    "Receive the U axis C-STA Irq message",
               "Receive the U axis Drive End Irq message"};
    QTest::newRow("Z before U") << 0x40200000u
                                << QStringList{"Receive the Z axis C-End Irq message",
                                               "Receive the U axis C-STA Irq message"};
  }
  void eventWordsGiveTheirMessagesInOrder() {
    QFETCH(uint, events);
    QFETCH(QStringList, expected);
    QCOMPARE(utility::eventMessages(events), expected);
  }
};

M716_REGISTER_QT_TEST(SharedUnitsTest);

}  // namespace m716::test

#include "shared_units_test.moc"
