// Writes a picture of the installer's dialog into the folder given as the first argument
// (build/screenshots for `make screenshots`): two boards installed from the dialog in a
// registry store of its own, one on the simulated board at 300H and one that "Refresh" finds
// missing, and a third being filled in.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>

#include "captured_messages.h"
#include "installer_dialog.h"
#include "support/temp_registry.h"

namespace {

using m716::installer::InstallerDialog;

void fillIn(const InstallerDialog& dialog, const QString& base, const QString& irq) {
  auto* interrupts = dialog.findChild<QComboBox*>(QStringLiteral("IRQ"));
  interrupts->setCurrentIndex(interrupts->findText(irq));
  emit interrupts->activated(interrupts->currentIndex());
  dialog.findChild<QLineEdit*>(QStringLiteral("Base Address"))->setText(base);
}

void press(const InstallerDialog& dialog, const char* name) {
  dialog.findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  if (!folder.mkpath(".")) return 1;
  m716::test::TempRegistry store;
  m716::test::CapturedMessages messages;
  InstallerDialog dialog(messages);
  fillIn(dialog, QStringLiteral("300"), QStringLiteral("IRQ5"));
  press(dialog, "Install");
  fillIn(dialog, QStringLiteral("280"), QStringLiteral("IRQ10"));
  press(dialog, "Install");
  press(dialog, "Refresh");
  fillIn(dialog, QStringLiteral("2C0"), QStringLiteral("IRQ7"));
  dialog.show();
  QApplication::processEvents();
  const QString file = folder.filePath(QStringLiteral("installer.png"));
  const bool saved = messages.texts.isEmpty() && dialog.grab().save(file);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
  return saved ? 0 : 1;
}
