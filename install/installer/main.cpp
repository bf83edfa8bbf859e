// M716Install: declares the MCB-716 boards fitted in this machine in the registry, and
// removes them again.

#include <QApplication>

#include "installer_dialog.h"
#include "installer_icon.h"
#include "messages.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("M716Install"));
  QApplication::setDesktopFileName(QStringLiteral("m716install"));
  QApplication::setWindowIcon(m716::installer::installerIcon());
  m716::ui::QtMessages messages;
  m716::installer::InstallerDialog dialog(messages);
  dialog.show();
  return QApplication::exec();
}
