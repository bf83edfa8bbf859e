#include "operation_screen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <initializer_list>
#include <vector>

#include "KRVM716.h"
#include "m716/error_texts.h"
#include "widgets.h"

namespace m716::utility {
namespace {

constexpr std::uint32_t kPathGroup = 0;
constexpr int kHomePollMilliseconds = 100;

// A group of radio buttons, the one at `checked` selected.
QGroupBox* radioGroup(const char* title, std::initializer_list<const char*> captions, int checked,
                      std::vector<QRadioButton*>& buttons) {
  auto* group = new QGroupBox(QString::fromLatin1(title));
  auto* layout = new QVBoxLayout(group);
  for (const char* caption : captions) {
    buttons.push_back(new QRadioButton(QString::fromLatin1(caption)));
    layout->addWidget(buttons.back());
  }
  buttons[static_cast<std::size_t>(checked)]->setChecked(true);
  layout->addStretch();
  return group;
}

QLabel* label(const char* text) {
  return new QLabel(QString::fromLatin1(text));
}

}  // namespace

OperationScreen::OperationScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), errors_(errors) {
  setWindowTitle(QStringLiteral("Operation"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ui::pushButton(QStringLiteral("Start"), this, &OperationScreen::start, this));
  buttons->addWidget(
      ui::pushButton(QStringLiteral("Change DV"), this, &OperationScreen::changeSpeed, this));
  buttons->addWidget(ui::pushButton(QStringLiteral("Stop"), this, &OperationScreen::stop, this));
  buttons->addWidget(ui::pushButton(QStringLiteral("Exit"), this, &QWidget::close));

  auto* drives = new QHBoxLayout;
  drives->addWidget(driveGroup());
  drives->addWidget(pathGroup());
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(externalGroup());
  bottom->addLayout(buttons, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(modeGroups());
  layout->addLayout(drives);
  layout->addLayout(bottom);

  // The stop key is always one key away.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &OperationScreen::stop);
  connect(&homePoll_, &QTimer::timeout, this, &OperationScreen::pollHomeSearches);
}

QWidget* OperationScreen::modeGroups() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* operate = new QGroupBox(QStringLiteral("Operate Axis"));
  auto* operateLayout = new QVBoxLayout(operate);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    axes_[axis] = new QCheckBox(QStringLiteral("%1 Axis").arg(QLatin1String(kAxisLetters[axis])));
    operateLayout->addWidget(axes_[axis]);
  }
  operateLayout->addStretch();
  layout->addWidget(operate);

  std::vector<QRadioButton*> modes, movement, stopping, curve;
  layout->addWidget(
      radioGroup("Driver Mode",
                 {"Home", "Continue Drive", "PtP Drive", "Line Profile Drive", "Arc Profile Drive"},
                 2, modes));
  layout->addWidget(radioGroup("Movement Mode", {"Absolute Mode", "Relative Mode"}, 1, movement));
  layout->addWidget(radioGroup("Stopping Mode", {"Slowdown Stop", "Immediate Stop"}, 1, stopping));
  layout->addWidget(radioGroup("Accerelation Mode", {"T Curve Mode", "S Curve Mode"}, 0, curve));
  home_ = modes[0];
  continueDrive_ = modes[1];
  pointToPoint_ = modes[2];
  line_ = modes[3];
  arc_ = modes[4];
  absolute_ = movement[0];
  immediateStop_ = stopping[1];
  sCurve_ = curve[1];
  return row;
}

NumberField* OperationScreen::field(NumberKind kind, std::int64_t initial, const QString& name) {
  auto* numberField = new NumberField(kind, initial, errors_);
  numberField->setObjectName(name);
  numberField->setMaximumWidth(110);
  return numberField;
}

OperationScreen::AxisFields OperationScreen::axisFields(NumberKind kind, std::int64_t initial,
                                                        const QString& column) {
  AxisFields fields{};
  for (std::size_t axis = 0; axis < 4; ++axis)
    fields[axis] = field(kind, initial,
                         QStringLiteral("%1 %2").arg(column, QLatin1String(kAxisLetters[axis])));
  return fields;
}

QWidget* OperationScreen::driveGroup() {
  auto* group = new QGroupBox(QStringLiteral("Continue and PtP Drive Parameters Setting"));
  auto* grid = new QGridLayout(group);
  speeds_ = axisFields(NumberKind::unsigned32, 6000, QStringLiteral("Driver Speed"));
  ends_ = axisFields(NumberKind::signed32, 1000, QStringLiteral("End Position"));
  grid->addWidget(label("Driver Speed"), 0, 1);
  grid->addWidget(label("End Position"), 0, 2);
  grid->addWidget(label("Continue Drive Dir."), 0, 3);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    const int row = static_cast<int>(axis) + 1;
    directions_[axis] = new QComboBox;
    directions_[axis]->addItems({QStringLiteral("CW"), QStringLiteral("CCW")});
    directions_[axis]->setObjectName(
        QStringLiteral("Continue Drive Dir. %1").arg(QLatin1String(kAxisLetters[axis])));
    grid->addWidget(label(kAxisLetters[axis]), row, 0);
    grid->addWidget(speeds_[axis], row, 1);
    grid->addWidget(ends_[axis], row, 2);
    grid->addWidget(directions_[axis], row, 3);
  }
  grid->setRowStretch(5, 1);
  return group;
}

QWidget* OperationScreen::pathGroup() {
  auto* group = new QGroupBox(QStringLiteral("Line and Arc Drive Parameters Setting"));
  auto* layout = new QGridLayout(group);
  layout->addWidget(pathSpeedGroup(), 0, 0, 2, 1);
  layout->addWidget(lineEndGroup(), 0, 1, 2, 1);
  layout->addWidget(arcCenterGroup(), 0, 2);
  layout->addWidget(arcEndGroup(), 1, 2);
  layout->addWidget(arcDirectionGroup(), 0, 3, 2, 1);
  return group;
}

QWidget* OperationScreen::pathSpeedGroup() {
  auto* speed = new QGroupBox(QStringLiteral("Line/Arc Speed"));
  auto* speedGrid = new QGridLayout(speed);
  sv_ = field(NumberKind::unsigned32, 1000, QStringLiteral("SV"));
  dv_ = field(NumberKind::unsigned32, 3000, QStringLiteral("DV"));
  ac_ = field(NumberKind::unsigned32, 10000, QStringLiteral("AC"));
  ak_ = field(NumberKind::unsigned32, 10000, QStringLiteral("AK"));
  int row = 0;
  for (NumberField* speedField : {sv_, dv_, ac_, ak_}) {
    speedGrid->addWidget(new QLabel(speedField->objectName()), row, 0);
    speedGrid->addWidget(speedField, row++, 1);
  }
  return speed;
}

QWidget* OperationScreen::lineEndGroup() {
  auto* lineEnd = new QGroupBox(QStringLiteral("Line End"));
  auto* lineGrid = new QGridLayout(lineEnd);
  lineEnds_ = axisFields(NumberKind::signed32, 6000, QStringLiteral("Line End"));
  for (std::size_t axis = 0; axis < 4; ++axis) {
    lineGrid->addWidget(label(kAxisLetters[axis]), static_cast<int>(axis), 0);
    lineGrid->addWidget(lineEnds_[axis], static_cast<int>(axis), 1);
  }
  return lineEnd;
}

QWidget* OperationScreen::arcCenterGroup() {
  auto* center = new QGroupBox(QStringLiteral("Arc Center Position"));
  auto* centerGrid = new QGridLayout(center);
  c1_ = field(NumberKind::signed32, 3000, QStringLiteral("C1"));
  c2_ = field(NumberKind::signed32, 3000, QStringLiteral("C2"));
  centerGrid->addWidget(label("C1"), 0, 0);
  centerGrid->addWidget(c1_, 0, 1);
  centerGrid->addWidget(label("C2"), 1, 0);
  centerGrid->addWidget(c2_, 1, 1);
  return center;
}

QWidget* OperationScreen::arcEndGroup() {
  arcEnd_ = new QGroupBox(QStringLiteral("Arc End Position"));
  auto* endGrid = new QGridLayout(arcEnd_);
  e1_ = field(NumberKind::signed32, 0, QStringLiteral("E1"));
  e2_ = field(NumberKind::signed32, 0, QStringLiteral("E2"));
  e1Label_ = label("E1");
  e2Label_ = label("E2");
  endGrid->addWidget(e1Label_, 0, 0);
  endGrid->addWidget(e1_, 0, 1);
  endGrid->addWidget(e2Label_, 1, 0);
  endGrid->addWidget(e2_, 1, 1);
  return arcEnd_;
}

// "CW", "CCW" or "Angle": with "Angle" the arc end group takes the angle in E1.
QWidget* OperationScreen::arcDirectionGroup() {
  std::vector<QRadioButton*> direction;
  QGroupBox* group = radioGroup("Arc Direction", {"CW", "CCW", "Angle"}, 0, direction);
  ccw_ = direction[1];
  angle_ = direction[2];
  for (QRadioButton* choice : direction)
    connect(choice, &QRadioButton::toggled, this, &OperationScreen::showArcDirection);
  return group;
}

QWidget* OperationScreen::externalGroup() {
  auto* group = new QGroupBox(QStringLiteral("External Mode"));
  auto* grid = new QGridLayout(group);
  externalMode_ = new QComboBox;
  externalMode_->setObjectName(QStringLiteral("Mode Selected"));
  externalMode_->addItem(QStringLiteral("Disable"));
  for (int mode = 1; mode <= 7; ++mode)
    externalMode_->addItem(QStringLiteral("JOG mode %1").arg(mode));
  externalMode_->addItem(QStringLiteral("Disable"));
  for (int mode = 1; mode <= 7; ++mode)
    externalMode_->addItem(QStringLiteral("Hand Wheel Mode %1").arg(mode));
  pulses_ = field(NumberKind::signed32, 100, QStringLiteral("HW Pulses Set"));
  grid->addWidget(label("Mode Selected"), 0, 0);
  grid->addWidget(externalMode_, 0, 1);
  grid->addWidget(label("HW Pulses Set"), 1, 0);
  grid->addWidget(pulses_, 1, 1);
  grid->addWidget(
      ui::pushButton(QStringLiteral("SET"), this, &OperationScreen::setExternalMode, this), 0, 2, 2,
      1);
  return group;
}

void OperationScreen::showArcDirection() {
  const bool angle = angle_->isChecked();
  arcEnd_->setTitle(angle ? QStringLiteral("Arc angle(degree)")
                          : QStringLiteral("Arc End Position"));
  e2_->setEnabled(!angle);
  e1Label_->setVisible(!angle);
  e2Label_->setVisible(!angle);
}

void OperationScreen::takeFields() {
  for (const AxisFields* fields : {&speeds_, &ends_, &lineEnds_})
    for (NumberField* axisField : *fields) axisField->take();
  for (NumberField* single : {sv_, dv_, ac_, ak_, c1_, c2_, e1_, pulses_}) single->take();
  // E2 is not used while the arc is given by its angle.
  if (e2_->isEnabled()) e2_->take();
}

std::uint32_t OperationScreen::axisMask() const {
  std::uint32_t mask = 0;
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (axes_[axis]->isChecked()) mask |= kAxisBits[axis];
  return mask;
}

std::uint32_t OperationScreen::directionMask() const {
  std::uint32_t mask = 0;
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (directions_[axis]->currentIndex() == 1) mask |= kAxisBits[axis];
  return mask;
}

void OperationScreen::setSpeeds() {
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (axes_[axis]->isChecked())
      errors_.check(
          M716SetDrivingSpeed(state_.board(), kAxisBits[axis], speeds_[axis]->unsignedValue()));
}

void OperationScreen::setPathParameters() {
  errors_.check(M716MotAxisParaSet(state_.board(), kPathGroup, sCurve_->isChecked() ? 1 : 0,
                                   sv_->unsignedValue(), dv_->unsignedValue(), dv_->unsignedValue(),
                                   ac_->unsignedValue(), ak_->unsignedValue()));
}

void OperationScreen::start() {
  takeFields();
  const std::uint32_t axes = axisMask();
  if (axes == 0) {
    errors_.tell(kNoAxisSelected);
    return;
  }
  const std::uint32_t absolute = absolute_->isChecked() ? 1 : 0;
  const std::uint32_t board = state_.board();
  if (home_->isChecked()) {
    startHome(axes);
  } else if (continueDrive_->isChecked()) {
    setSpeeds();
    errors_.check(M716MotCmove(board, axes, directionMask()));
  } else if (pointToPoint_->isChecked()) {
    setSpeeds();
    // The library takes the absolute axes as a mask: "Absolute Mode" means every checked axis
    // goes to its end position, not X alone.
    errors_.check(M716MotPtp(board, axes, absolute != 0 ? axes : 0, ends_[0]->signedValue(),
                             ends_[1]->signedValue(), ends_[2]->signedValue(),
                             ends_[3]->signedValue()));
  } else if (line_->isChecked()) {
    setPathParameters();
    errors_.check(M716MotLine(board, axes, absolute, lineEnds_[0]->signedValue(),
                              lineEnds_[1]->signedValue(), lineEnds_[2]->signedValue(),
                              lineEnds_[3]->signedValue()));
  } else if (arc_->isChecked()) {
    setPathParameters();
    startArc(axes, absolute);
  }
}

void OperationScreen::startArc(std::uint32_t axes, std::uint32_t absolute) {
  const std::uint32_t board = state_.board();
  if (angle_->isChecked())
    errors_.check(M716MotArcTheta(board, axes, absolute, c1_->signedValue(), c2_->signedValue(),
                                  static_cast<double>(e1_->signedValue())));
  else
    errors_.check(M716MotArc(board, axes, absolute, ccw_->isChecked() ? 1 : 0, c1_->signedValue(),
                             c2_->signedValue(), e1_->signedValue(), e2_->signedValue()));
}

void OperationScreen::startHome(std::uint32_t axes) {
  if (errors_.check(M716MotHome(state_.board(), axes)) != 0) return;
  // Searches on another board are no longer watched: their results stay in the library.
  if (homeBoard_ != state_.board()) homing_ = 0;
  homeBoard_ = state_.board();
  homing_ |= axes;
  homePoll_.start(kHomePollMilliseconds);
}

void OperationScreen::pollHomeSearches() {
  std::vector<std::uint32_t> results;
  for (const std::uint32_t axis : kAxisBits) {
    if ((homing_ & axis) == 0) continue;
    std::int32_t result = 0;
    const std::uint32_t code = M716MotHomeStatus(homeBoard_, axis, &result);
    if (code == 0 && result == M716_ERR_IN_HOME) continue;
    homing_ &= ~axis;
    results.push_back(code != 0 ? code : static_cast<std::uint32_t>(result));
  }
  // No tick runs while the messages are open: each ended search is told once.
  homePoll_.stop();
  for (const std::uint32_t result : results) errors_.check(result);
  if (homing_ != 0) homePoll_.start(kHomePollMilliseconds);
}

void OperationScreen::changeSpeed() {
  takeFields();
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (axes_[axis]->isChecked())
      errors_.check(M716MotChgDV(state_.board(), kAxisBits[axis], speeds_[axis]->unsignedValue()));
}

void OperationScreen::stop() {
  // The library takes the decelerating axes as a mask: "Slowdown Stop" slows all four down,
  // "Immediate Stop" stops all four at once.
  errors_.check(M716MotStop(state_.board(), kAllAxes, immediateStop_->isChecked() ? 0 : kAllAxes));
}

void OperationScreen::setExternalMode() {
  takeFields();
  const auto mode = static_cast<std::uint32_t>(externalMode_->currentIndex());
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (axes_[axis]->isChecked())
      errors_.check(M716MotExtMode(state_.board(), kAxisBits[axis], mode, pulses_->signedValue()));
}

void OperationScreen::closeEvent(QCloseEvent* event) {
  emit closing();
  stop();
  event->accept();
}

}  // namespace m716::utility
