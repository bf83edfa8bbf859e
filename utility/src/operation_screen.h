#pragma once
// The operation screen, "Operation": runs home searches, continuous, point-to-point, line and
// arc drives on the current board, changes drive speeds, stops every axis and sets the
// external drive modes. It collects values and calls the library; the one thing it reads back
// is the result of each home search it started, which it shows once when the search has ended
// with a failure. Closing it stops every axis of the board, and so does Esc.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "error_presenter.h"
#include "number_field.h"
#include "program_state.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace m716::utility {

class OperationScreen : public QWidget {
  Q_OBJECT

 public:
  OperationScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent = nullptr);

  void start();
  void changeSpeed();
  void stop();
  void setExternalMode();
  // Reads the results of the home searches started here; shows the failure of each one that
  // has ended (what the timer calls while searches run).
  void pollHomeSearches();
  // The axes whose home search started here has not been seen to end.
  std::uint32_t homingAxes() const { return homing_; }

 signals:
  // The screen is closing: its owner forgets it before it stops the axes.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  using AxisFields = std::array<NumberField*, 4>;

  QWidget* modeGroups();
  QWidget* driveGroup();
  QWidget* pathGroup();
  QWidget* pathSpeedGroup();
  QWidget* lineEndGroup();
  QWidget* arcCenterGroup();
  QWidget* arcEndGroup();
  QWidget* arcDirectionGroup();
  QWidget* externalGroup();
  NumberField* field(NumberKind kind, std::int64_t initial, const QString& name);
  AxisFields axisFields(NumberKind kind, std::int64_t initial, const QString& column);
  void showArcDirection();

  void takeFields();
  std::uint32_t axisMask() const;
  std::uint32_t directionMask() const;
  void setSpeeds();
  void setPathParameters();
  void startArc(std::uint32_t axes, std::uint32_t absolute);
  void startHome(std::uint32_t axes);

  ProgramState& state_;
  ErrorPresenter& errors_;
  std::array<QCheckBox*, 4> axes_{};
  QRadioButton *home_, *continueDrive_, *pointToPoint_, *line_, *arc_;
  QRadioButton *absolute_, *immediateStop_, *sCurve_, *ccw_, *angle_;
  std::array<QComboBox*, 4> directions_{};
  QComboBox* externalMode_;
  AxisFields speeds_{}, ends_{}, lineEnds_{};
  NumberField *sv_, *dv_, *ac_, *ak_, *c1_, *c2_, *e1_, *e2_, *pulses_;
  QGroupBox* arcEnd_;
  QLabel *e1Label_, *e2Label_;
  QTimer homePoll_;
  std::uint32_t homing_ = 0;
  std::uint32_t homeBoard_ = 0;
};

}  // namespace m716::utility
