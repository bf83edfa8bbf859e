// M716Install: declares the MCB-716 boards fitted in this machine in the registry, and
// removes them again.

#include <QApplication>

#include "installer_dialog.h"
#include "installer_icon.h"
#include "m716/program_info.h"
#include "messages.h"

namespace {

constexpr const char* kHelp =
    "Usage: M716Install [QT-OPTION]...\n"
    "Declares the MCB-716 boards fitted in this machine in the registry store, each with\n"
    "its board number, base I/O address and interrupt (IRQ), and removes them again with\n"
    "the parameters the motion library saved for them. \"Refresh\" asks the motion\n"
    "library which of the declared boards answer.\n"
    "\nOptions:\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "Qt's own options are taken as well, for example -platform offscreen.\n"
    "\nEnvironment:\n"
    "  M716_REGISTRY     the registry store to use instead of the system's\n"
    "  QT_QPA_PLATFORM   the Qt platform plugin (offscreen: no window is shown)\n";

}  // namespace

int main(int argc, char* argv[]) {
  // Before Qt, which needs a display.
  if (m716::answeredHelpOrVersion(argc, argv, "M716Install", kHelp, false)) return 0;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("M716Install"));
  QApplication::setDesktopFileName(QStringLiteral("m716install"));
  QApplication::setWindowIcon(m716::installer::installerIcon());
  m716::ui::QtMessages messages;
  m716::installer::InstallerDialog dialog(messages);
  dialog.show();
  return QApplication::exec();
}
