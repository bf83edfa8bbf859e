#include "installer_test.h"

#include <QtTest>

namespace m716::test {
namespace {

using platform::RegKey;
using platform::RegStatus;
using platform::RegValue;

QString describe(const RegValue& value) {
  if (value.type == platform::RegType::dword) return QStringLiteral("dword %1").arg(value.dword);
  return QStringLiteral("string(%1) %2").arg(value.size).arg(QString::fromStdString(value.text));
}

void collect(const std::string& path, QStringList& lines) {
  RegKey key;
  if (platform::registry().openKey(path, key) != RegStatus::ok) return;
  RegValue value;
  for (std::uint32_t i = 0; key.enumValue(i, value) == RegStatus::ok; ++i)
    lines << QString::fromStdString(path + "\\" + value.name) + " = " + describe(value);
  std::string name;
  for (std::uint32_t i = 0; key.enumKey(i, name) == RegStatus::ok; ++i)
    collect(path.empty() ? name : path + "\\" + name, lines);
}

void setValue(const std::string& key, const char* name, std::uint32_t dword,
              const std::string* text = nullptr) {
  RegKey handle;
  QCOMPARE(platform::registry().createKey(key, handle), RegStatus::ok);
  QCOMPARE(text ? handle.setString(name, *text) : handle.setDword(name, dword), RegStatus::ok);
}

}  // namespace

QStringList registryContents(const std::string& path) {
  QStringList lines;
  collect(path, lines);
  return lines;
}

std::uint32_t storedDword(const std::string& key, const char* name) {
  RegKey handle;
  std::uint32_t value = 0xDEADBEEF;
  if (platform::registry().openKey(key, handle) == RegStatus::ok) handle.queryDword(name, value);
  return value;
}

void storeDword(const std::string& key, const char* name, std::uint32_t value) {
  setValue(key, name, value);
}

void removeValue(const std::string& key, const char* name) {
  RegKey handle;
  QCOMPARE(platform::registry().openKey(key, handle), RegStatus::ok);
  QCOMPARE(handle.deleteValue(name), RegStatus::ok);
}

void declareBoard(std::uint32_t board, std::uint32_t baseAddress, std::uint32_t interrupt) {
  const std::uint32_t inUse = storedDword(keys::kHardwareBranch, keys::kBoardsInUse);
  setValue(keys::kHardwareBranch, keys::kBoardsInUse,
           (inUse == 0xDEADBEEF ? 0 : inUse) | (1u << board));
  const std::string name = QStringLiteral("MCB-716, BoardID=%1, I/O=%2H, IRQ=%3")
                               .arg(board)
                               .arg(baseAddress, 0, 16)
                               .arg(interrupt)
                               .toStdString();
  setValue(keys::hardwareKey(board), keys::kDeviceName, 0, &name);
  setValue(keys::hardwareKey(board), keys::kBaseAddress, baseAddress);
  setValue(keys::hardwareKey(board), keys::kInterrupt, interrupt);
}

QStringList InstallerTest::entries(const InstallerDialog& dialog) {
  QStringList texts;
  const QListWidget* list = deviceList(dialog);
  for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
  return texts;
}

void InstallerTest::choose(QComboBox* box, const QString& item) {
  const int index = box->findText(item);
  QVERIFY2(index >= 0, qPrintable(item));
  box->setCurrentIndex(index);
  emit box->activated(index);
}

void InstallerTest::install(const InstallerDialog& dialog, const QString& base, const QString& irq,
                            const QString& board) {
  if (!board.isEmpty()) {
    if (find<QCheckBox>(dialog, "Auto")->isChecked()) find<QCheckBox>(dialog, "Auto")->click();
    choose(boardBox(dialog), board);
  }
  if (!irq.isEmpty()) choose(irqBox(dialog), irq);
  baseField(dialog)->clear();
  QTest::keyClicks(baseField(dialog), base);
  // The button as the user finds it; pressed even when disabled, to reach every refusal.
  QPushButton* installButton = button(dialog, "Install");
  installButton->setEnabled(true);
  installButton->click();
}

void InstallerTest::selectEntry(const InstallerDialog& dialog, const QString& startingWith) {
  QListWidget* list = deviceList(dialog);
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->text().startsWith(startingWith)) return list->item(row)->setSelected(true);
  QFAIL(qPrintable("no entry " + startingWith));
}

}  // namespace m716::test
