// Writes a picture of every screen of the utility, as it opens, into the folder given as the
// first argument (build/screenshots for `make screenshots`). The screens run against the
// recorder of the library's calls, with boards 0 and 1 answering; the monitors are shown in
// the middle of a move that the recorder plays to them, then with their widest ranges, and the
// profile monitor with a path that leaves its range.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>

#include "KRVM716.h"
#include "board_selection_dialog.h"
#include "call_recorder.h"
#include "captured_messages.h"
#include "input_status_screen.h"
#include "main_screen.h"
#include "operation_screen.h"
#include "parameter_setting_screen.h"
#include "profile_monitor.h"
#include "speed_monitor.h"

namespace {

bool save(QWidget& screen, const QDir& folder, const char* name) {
  screen.show();
  QApplication::processEvents();
  QApplication::processEvents();  // a page made on selection resizes its window
  const QString file = folder.filePath(QString::fromLatin1(name) + ".png");
  const bool saved = screen.grab().save(file);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
  return saved;
}

// One picture per page of a screen with tabs, named after the screen and the tab.
bool saveEveryPage(QWidget& screen, QTabWidget& tabs, const QDir& folder, const char* name) {
  bool saved = true;
  for (int index = 0; index < tabs.count(); ++index) {
    tabs.setCurrentIndex(index);
    const QString page = tabs.tabText(index).toLower().replace(' ', '_');
    saved &=
        save(screen, folder, qPrintable(QStringLiteral("%1_%2").arg(QLatin1String(name), page)));
  }
  return saved;
}

// Four seconds of a six-second X/Y move with ramps of half a second, sampled as the monitors'
// timers do: the speed monitor every 50 ms, the profile monitor every 100 ms.
void playMove(m716::utility::ProfileMonitor& profile, m716::utility::SpeedMonitor& speed,
              std::uint32_t& now) {
  using m716::test::CallRecorder;
  double x = 0, y = 0;
  for (int step = 1; step <= 80; ++step) {
    const double seconds = step * 0.05;
    const double ramp = std::min({1.0, seconds / 0.5, (6.0 - seconds) / 0.5});
    const double xSpeed = 6000 * ramp, ySpeed = 4000 * ramp;
    x += xSpeed * 0.05;
    y += ySpeed * 0.05;
    now += 50;
    CallRecorder::setRegister(1, M716_REG_LIVE_SPEED, static_cast<std::uint32_t>(xSpeed));
    CallRecorder::setRegister(2, M716_REG_LIVE_SPEED, static_cast<std::uint32_t>(ySpeed));
    CallRecorder::setLogicalPosition(1, static_cast<std::int32_t>(x));
    CallRecorder::setLogicalPosition(2, static_cast<std::int32_t>(y));
    speed.sample();
    if (step % 2 == 0) profile.sample();
  }
}

using Edits = std::initializer_list<std::pair<const char*, const char*>>;

// Types the texts into a monitor's range fields and presses "Set".
template <typename Monitor>
void setRange(Monitor& monitor, Edits edits) {
  for (const auto& [field, text] : edits)
    monitor.template findChild<m716::utility::NumberField*>(field)->setText(text);
  monitor.set();
}

// The profile monitor samples the axes at each of these positions.
void profilePath(m716::utility::ProfileMonitor& profile,
                 std::initializer_list<std::pair<std::int32_t, std::int32_t>> path) {
  for (const auto& [h, v] : path) {
    m716::test::CallRecorder::setLogicalPosition(1, h);
    m716::test::CallRecorder::setLogicalPosition(2, v);
    profile.sample();
  }
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
  // The X axis as a board opened with its default parameters holds it.
  const std::pair<std::uint32_t, std::int32_t> xAxis[] = {{M716_PAR_SV, 1000},
                                                          {M716_PAR_DV, 6000},
                                                          {M716_PAR_MDV, 8000},
                                                          {M716_PAR_AC, 600000},
                                                          {M716_PAR_AK, 10000000},
                                                          {M716_PAR_PLMT, 2000000000},
                                                          {M716_PAR_NLMT, -2000000000},
                                                          {M716_PAR_HOME_P0_SPEED, 6000},
                                                          {M716_PAR_HOME_P1_SPEED, 1000},
                                                          {M716_PAR_HOME_OFFSET_SPEED, 6000},
                                                          {M716_REG_MODE1, 0x55},
                                                          {M716_REG_REAL_POSITION, 1000},
                                                          {M716_REG_LOGICAL_POSITION, 1000}};
  for (const auto& [identifier, value] : xAxis)
    m716::test::CallRecorder::setRegister(1, identifier, static_cast<std::uint32_t>(value));
  m716::utility::ParameterSettingScreen parameters(state, errors);
  saved &= saveEveryPage(parameters, *parameters.tabs(), folder, "parameter_setting");
  m716::utility::InputStatusScreen inputs(state, errors);
  saved &= saveEveryPage(inputs, *inputs.tabs(), folder, "input_status");
  std::uint32_t now = 0;
  m716::utility::ProfileMonitor profile(state, errors);
  m716::utility::SpeedMonitor speed(state, errors, nullptr, [&now] { return now; });
  // Ranges that fit the move.
  setRange(profile, {{"H Axis Max", "40000"},
                     {"H Axis Min", "-40000"},
                     {"V Axis Max", "40000"},
                     {"V Axis Min", "-40000"}});
  setRange(speed, {{"Time Max", "10"}});
  playMove(profile, speed, now);
  saved &= save(profile, folder, "profile_monitor");
  saved &= save(speed, folder, "speed_monitor");

  // The widest ranges; the path reaches their corners.
  setRange(profile, {{"H Axis Max", "2147483647"},
                     {"H Axis Min", "-2147483648"},
                     {"V Axis Max", "2147483647"},
                     {"V Axis Min", "-2147483648"}});
  setRange(speed,
           {{"Speed Max", "2147483647"}, {"Speed Min", "-2147483648"}, {"Time Max", "2147483647"}});
  profilePath(
      profile,
      {{0, 0}, {1500000000, 1000000000}, {2147483647, 2147483647}, {-2147483648, 2147483647}});
  saved &= save(profile, folder, "profile_monitor_widest");
  saved &= save(speed, folder, "speed_monitor_widest");

  // The default range, and a path that leaves it on every side.
  profile.reset();
  profilePath(profile,
              {{-300000, 100000}, {100000, -300000}, {300000, -100000}, {-100000, 300000}, {0, 0}});
  saved &= save(profile, folder, "profile_monitor_beyond_its_range");
  return saved ? 0 : 1;
}
