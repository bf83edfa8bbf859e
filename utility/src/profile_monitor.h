#pragma once
// The profile monitor, "Profile Monitor": every 100 ms it reads the positions of the two chosen
// axes (logical or real counter) and draws the path from the previous sample to them in the
// plane of the two axes, over the grid of the range shown. It keeps no list of samples.
//
// A range whose maximum equals its minimum has no scale: "Set" refuses it with a notice and the
// monitor keeps the range it shows.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "error_presenter.h"
#include "monitor_charts.h"
#include "number_field.h"
#include "picture_pane.h"
#include "program_state.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace m716::utility {

class ProfileMonitor : public QWidget {
  Q_OBJECT

 public:
  // The plot's client size on the screen.
  static constexpr QSize kPlotSize{520, 400};

  ProfileMonitor(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);

  // One sample, as the 100 ms timer takes it.
  void sample();
  void set();
  void reset();
  void clearScreen();
  bool sampling() const { return sampler_.isActive(); }
  const ProfileChart& chart() const { return chart_; }
  bool tracksRealPosition() const { return tracksReal_; }
  void setFileChooser(SaveFileChooser chooseFile) { chooseFile_ = std::move(chooseFile); }

 signals:
  // The screen is closing: its owner forgets it.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* settingGroup();
  NumberField* rangeField(const char* name, std::int32_t initial);
  // The positions of the two axes, from the tracking source; a failed read keeps the value of
  // `held`. With `report`, failures are shown.
  PlanePosition readPositions(PlanePosition held, bool report);
  // The range of the fields, or nothing (after a notice) when it has no scale.
  bool takeRange(ProfileRange& range);
  void startFrom(const ProfileRange& range);
  void showRange(const ProfileRange& range);

  ProgramState& state_;
  ErrorPresenter& errors_;
  ProfileChart chart_{kPlotSize};
  QTimer sampler_;
  SaveFileChooser chooseFile_ = askSaveFileName;
  bool tracksReal_ = false;
  std::uint32_t hAxis_ = 1, vAxis_ = 2;
  QComboBox *hList_, *vList_;
  // H Axis Max, H Axis Min, V Axis Max, V Axis Min.
  std::array<NumberField*, 4> rangeFields_{};
  QRadioButton* realTracking_;
  QLineEdit *hPosition_, *vPosition_;
  PicturePane* plot_;
};

}  // namespace m716::utility
