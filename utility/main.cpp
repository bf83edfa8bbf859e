// M716Utility: the interactive configuration and test program of one MCB-716 board.

#include <QApplication>

#include "board_picture.h"
#include "error_presenter.h"
#include "m716/program_info.h"
#include "main_screen.h"
#include "messages.h"
#include "program_state.h"

namespace {

constexpr const char* kHelp =
    "Usage: M716Utility [QT-OPTION]...\n"
    "The configuration and test program of one MCB-716 motion control board: choose a\n"
    "board, edit, load and save its axis parameters, watch its inputs, status flags and\n"
    "counters, run every kind of move and plot the motion profile and speed. The main\n"
    "screen opens the others: Board Selection, Parameter Setting, Input Status,\n"
    "Operation and Profile Monitor (with the Speed Monitor).\n"
    "\nOptions:\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the versions of M716Utility and the motion library, and exit\n"
    "Qt's own options are taken as well, for example -platform offscreen.\n"
    "\nEnvironment:\n"
    "  M716_REGISTRY     the registry store to use instead of the system's\n"
    "  QT_QPA_PLATFORM   the Qt platform plugin (offscreen: no window is shown)\n";

}  // namespace

int main(int argc, char* argv[]) {
  // Before Qt, which needs a display.
  if (m716::answeredHelpOrVersion(argc, argv, "M716Utility", kHelp, true)) return 0;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("M716Utility"));
  QApplication::setWindowIcon(m716::utility::programIcon());
  m716::ui::QtMessages messages;
  m716::utility::ErrorPresenter errors(messages);
  m716::utility::ProgramState state;
  m716::utility::MainScreen screen(state, errors);
  screen.show();
  return QApplication::exec();
}
