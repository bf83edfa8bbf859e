// Writes a picture of every screen of the utility, as it opens, into the folder given as the
// first argument (build/screenshots for `make screenshots`). The screens run against the
// recorder of the library's calls, with boards 0 and 1 answering.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "board_selection_dialog.h"
#include "call_recorder.h"
#include "captured_messages.h"
#include "main_screen.h"
#include "operation_screen.h"

namespace {

bool save(QWidget& screen, const QDir& folder, const char* name) {
  screen.show();
  QApplication::processEvents();
  const QString file = folder.filePath(QString::fromLatin1(name) + ".png");
  const bool saved = screen.grab().save(file);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  if (!folder.mkpath(".")) return 1;
  m716::test::CallRecorder::setAvailableBoards(0b11);
  m716::test::CapturedMessages messages;
  m716::utility::ErrorPresenter errors(messages);
  m716::utility::ProgramState state;

  m716::utility::MainScreen main(state, errors);
  bool saved = save(main, folder, "main_screen");
  m716::utility::BoardSelectionDialog selection(state, errors);
  saved &= save(selection, folder, "board_selection");
  state.currentBoard = 0;
  m716::utility::OperationScreen operation(state, errors);
  saved &= save(operation, folder, "operation");
  return saved ? 0 : 1;
}
