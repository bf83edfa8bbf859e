#pragma once
// The speed monitor, "Speed Monitor": every 50 ms it reads the live drive speed of the four
// axes and draws each axis's curve from the previous sample, sweeping from left to right; when
// the time range is used up the chart clears itself and starts again at the left. It keeps no
// list of samples. Its plot's context menu saves the picture and records every sample, as it
// is taken, to a CSV file.
//
// A speed range whose maximum equals its minimum has no scale: "Set" refuses it with a notice
// and the monitor keeps the range it shows.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QFile>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "error_presenter.h"
#include "monitor_charts.h"
#include "number_field.h"
#include "picture_pane.h"
#include "program_state.h"

class QAction;

namespace m716::utility {

// A 32-bit millisecond tick count that wraps; the speed monitor's time base.
using MillisecondClock = std::function<std::uint32_t()>;
std::uint32_t systemMilliseconds();

// The samples of a recording appended to a CSV file, one line each, written as they are taken:
// milliseconds since the recording began and the speeds of X, Y, Z and U. A new or empty file
// starts with a line of column names.
class SpeedRecording {
 public:
  // An empty text, or why the file cannot be written.
  QString start(const QString& file, std::uint32_t tick);
  bool active() const { return file_.isOpen(); }
  // An empty text, or why the sample could not be written (the recording then stops).
  QString append(std::uint32_t tick, const AxisSpeeds& speeds);
  void stop() { file_.close(); }
  QString fileName() const { return file_.fileName(); }

 private:
  QFile file_;
  std::uint32_t startTick_ = 0;
};

class SpeedMonitor : public QWidget {
  Q_OBJECT

 public:
  // The plot's client size on the screen, and the legend strip across its lower part.
  static constexpr QSize kPlotSize{600, 300};
  static constexpr QSize kLegendSize{360, 20};
  static constexpr QPoint kLegendAt{40, kPlotSize.height() - kLegendSize.height() - 2};

  SpeedMonitor(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr,
               MillisecondClock clock = systemMilliseconds);

  // One sample, as the 50 ms timer takes it.
  void sample();
  void set();
  void reset();
  void clearScreen();
  bool sampling() const { return sampler_.isActive(); }
  bool recording() const { return recording_.active(); }
  const SpeedChart& chart() const { return chart_; }
  // The plot as the screen shows it, legend strip included.
  QImage pictureAsDrawn() const;
  void setFileChooser(SaveFileChooser chooseFile) { chooseFile_ = std::move(chooseFile); }

 signals:
  // The screen is closing: its owner forgets it.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* settingGroup();
  QWidget* plotWithMenu();
  NumberField* rangeField(const char* name, std::int32_t initial);
  AxisSpeeds readSpeeds();
  bool takeRange(SpeedRange& range);
  void showRange(const SpeedRange& range);
  void clearAt(std::uint32_t tick);
  void record(bool start);
  void redraw();

  ProgramState& state_;
  ErrorPresenter& errors_;
  MillisecondClock clock_;
  SpeedChart chart_;
  SpeedRecording recording_;
  QTimer sampler_;
  SaveFileChooser chooseFile_ = askSaveFileName;
  // Speed Max, Speed Min, Time Max, Time Min.
  std::array<NumberField*, 4> rangeFields_{};
  PicturePane *plot_, *legend_;
  QAction* recordAction_;
};

}  // namespace m716::utility
