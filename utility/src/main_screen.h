#pragma once
// The main screen, "MCB-716 Motion Utility": the board picture, the buttons that open the
// other screens, and the poll of the current board's interrupt events every 100 ms.
//
// While the messages of one poll are being shown (each message box waits for the user), the
// polls that fall due do nothing: the library keeps the events that come meanwhile until the
// next poll that runs takes them, so none is lost and none is shown twice.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstdint>

#include "error_presenter.h"
#include "input_status_screen.h"
#include "operation_screen.h"
#include "parameter_setting_screen.h"
#include "profile_monitor.h"
#include "program_state.h"
#include "speed_monitor.h"

class QPushButton;

namespace m716::utility {

// The messages of an event word, X before Y before Z before U, each axis in the order of its
// bits 0x02 to 0x80 (bit 0x01 has none).
QStringList eventMessages(std::uint32_t events);

class MainScreen : public QDialog {
  Q_OBJECT

 public:
  MainScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);

  // One tick of the event poll.
  void pollEvents();
  bool polling() const { return poll_.isActive(); }
  // The button with this caption.
  QPushButton* button(const QString& caption) const;
  OperationScreen* operationScreen() const { return operation_; }
  ParameterSettingScreen* parameterSettingScreen() const { return parameters_; }
  InputStatusScreen* inputStatusScreen() const { return inputStatus_; }
  ProfileMonitor* profileMonitor() const { return profile_; }
  SpeedMonitor* speedMonitor() const { return speed_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void chooseBoard();
  void showParameterSetting();
  void showInputStatus();
  void showOperation();
  void showMonitors();
  void showHelp();
  void exit();
  // False, after message 63, while no board is selected.
  bool boardChosen();

  ProgramState& state_;
  ErrorPresenter& errors_;
  QTimer poll_;
  bool showingEvents_ = false;
  QPointer<OperationScreen> operation_;
  QPointer<ParameterSettingScreen> parameters_;
  QPointer<InputStatusScreen> inputStatus_;
  QPointer<ProfileMonitor> profile_;
  QPointer<SpeedMonitor> speed_;
};

}  // namespace m716::utility
