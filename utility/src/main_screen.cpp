#include "main_screen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "KRVM716.h"
#include "board_picture.h"
#include "board_selection_dialog.h"
#include "m716/error_texts.h"
#include "operation_screen.h"
#include "widgets.h"

namespace m716::utility {
namespace {

constexpr int kPollMilliseconds = 100;

struct EventSuffix {
  std::uint32_t bit;
  const char* text;
};
constexpr EventSuffix kEventSuffixes[] = {
    {0x02, " axis P >= C- Irq message"},   {0x04, " axis P < C- Irq message"},
    {0x08, " axis P < C+ Irq message"},    {0x10, " axis P >= C+ Irq message"},
    {0x20, " axis C-End Irq message"},     {0x40, " axis C-STA Irq message"},
    {0x80, " axis Drive End Irq message"},
};

}  // namespace

QStringList eventMessages(std::uint32_t events) {
  QStringList messages;
  for (int axis = 0; axis < 4; ++axis) {
    const std::uint32_t byte = events >> (8 * axis) & 0xFF;
    for (const auto& suffix : kEventSuffixes)
      if (byte & suffix.bit)
        messages << QStringLiteral("Receive the %1%2")
                        .arg(QLatin1String(kAxisLetters[axis]), QLatin1String(suffix.text));
  }
  return messages;
}

MainScreen::MainScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent)
    : QDialog(parent), state_(state), errors_(errors) {
  setWindowTitle(QStringLiteral("MCB-716 Motion Utility"));
  setWindowIcon(programIcon());
  auto* picture = new QLabel;
  picture->setPixmap(boardPicture());
  auto* buttons = new QVBoxLayout;
  // Enter presses "Exit" only, whichever button has the focus.
  const auto add = [&](const char* caption, void (MainScreen::*action)()) {
    auto* pushButton = ui::pushButton(QString::fromLatin1(caption), this, action);
    pushButton->setAutoDefault(false);
    pushButton->setMinimumWidth(160);
    buttons->addWidget(pushButton);
    return pushButton;
  };
  add("Board Selection", &MainScreen::chooseBoard);
  add("Parameter Setting", &MainScreen::showParameterSetting);
  add("Input Status", &MainScreen::showInputStatus);
  add("Operation", &MainScreen::showOperation);
  add("Profile Monitor", &MainScreen::showMonitors);
  buttons->addStretch();
  add("Help", &MainScreen::showHelp);
  add("Exit", &MainScreen::exit)->setDefault(true);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(buttons);

  adjustSize();
  if (const QScreen* display = QGuiApplication::primaryScreen())
    move(display->availableGeometry().center() - rect().center());
  state_.currentBoard = kNoBoard;
  connect(&poll_, &QTimer::timeout, this, &MainScreen::pollEvents);
  poll_.start(kPollMilliseconds);
}

QPushButton* MainScreen::button(const QString& caption) const {
  for (auto* pushButton : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
    if (pushButton->text() == caption) return pushButton;
  return nullptr;
}

void MainScreen::pollEvents() {
  if (!state_.boardChosen() || showingEvents_) return;
  std::uint32_t events = 0;
  M716MotCheckEvent(state_.board(), &events, 0);
  showingEvents_ = true;
  for (const QString& message : eventMessages(events)) errors_.inform(message);
  showingEvents_ = false;
}

bool MainScreen::boardChosen() {
  if (state_.boardChosen()) return true;
  errors_.tell(kNoBoardSelected);
  return false;
}

void MainScreen::chooseBoard() {
  auto* dialog = new BoardSelectionDialog(state_, errors_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
}

namespace {

// `screen`, made on first use as a window of the main screen that forgets it on closing.
template <typename Screen>
Screen* made(QPointer<Screen>& screen, MainScreen* main, ProgramState& state,
             ErrorPresenter& errors) {
  if (!screen) {
    screen = new Screen(state, errors, main);
    screen->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(screen, &Screen::closing, main, [&screen] { screen = nullptr; });
  }
  return screen;
}

}  // namespace

void MainScreen::showParameterSetting() {
  if (boardChosen()) ui::bringForward(made(parameters_, this, state_, errors_));
}

void MainScreen::showInputStatus() {
  if (boardChosen()) ui::bringForward(made(inputStatus_, this, state_, errors_));
}

void MainScreen::showOperation() {
  if (boardChosen()) ui::bringForward(made(operation_, this, state_, errors_));
}

// Both monitors, after the message: each is made once and brought forward again.
void MainScreen::showMonitors() {
  if (!boardChosen()) return;
  errors_.tell(kMonitorsForReference);
  for (QWidget* monitor : {static_cast<QWidget*>(made(profile_, this, state_, errors_)),
                           static_cast<QWidget*>(made(speed_, this, state_, errors_))}) {
    monitor->show();
    monitor->raise();
  }
}

void MainScreen::showHelp() {
  errors_.tell(kHelpFile);
}

void MainScreen::exit() {
  close();
}

void MainScreen::closeEvent(QCloseEvent* event) {
  const QPointer<OperationScreen> operation = operation_;
  operation_ = nullptr;
  poll_.stop();
  // A screen closes as it does by its own "Exit": the operation screen stops every axis.
  if (operation) operation->close();
  if (parameters_) parameters_->close();
  if (inputStatus_) inputStatus_->close();
  if (profile_) profile_->close();
  if (speed_) speed_->close();
  QDialog::closeEvent(event);
}

// The main screen is the program's only top-level window: Esc does not end the program.
void MainScreen::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace m716::utility
