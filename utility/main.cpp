// M716Utility: the interactive configuration and test program of one MCB-716 board.

#include <QApplication>

#include "board_picture.h"
#include "error_presenter.h"
#include "main_screen.h"
#include "messages.h"
#include "program_state.h"

int main(int argc, char* argv[]) {
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
