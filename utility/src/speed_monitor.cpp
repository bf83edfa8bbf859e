#include "speed_monitor.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>

#include "KRVM716.h"
#include "widgets.h"

namespace m716::utility {
namespace {

constexpr int kSampleMilliseconds = 50;
const SpeedRange kDefaultRange{};

}  // namespace

std::uint32_t systemMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

QString SpeedRecording::start(const QString& file, std::uint32_t tick) {
  file_.close();
  file_.setFileName(file);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
    return file_.errorString();
  startTick_ = tick;
  if (file_.size() == 0 && (file_.write("Time (ms),X (pulse per second),Y (pulse per second),"
                                        "Z (pulse per second),U (pulse per second)\n") < 0 ||
                            !file_.flush())) {
    QString why = file_.errorString();
    file_.close();
    return why;
  }
  return {};
}

QString SpeedRecording::append(std::uint32_t tick, const AxisSpeeds& speeds) {
  const QByteArray line = QStringLiteral("%1,%2,%3,%4,%5\n")
                              .arg(tick - startTick_)
                              .arg(speeds[0])
                              .arg(speeds[1])
                              .arg(speeds[2])
                              .arg(speeds[3])
                              .toLatin1();
  // Each sample reaches the file as it is taken, so a recording loses nothing when it ends.
  if (file_.write(line) == line.size() && file_.flush()) return {};
  QString why = file_.errorString();
  file_.close();
  return why;
}

SpeedMonitor::SpeedMonitor(ProgramState& state, ErrorPresenter& errors, QWidget* parent,
                           MillisecondClock clock)
    : QWidget(parent, Qt::Window),
      state_(state),
      errors_(errors),
      clock_(std::move(clock)),
      chart_(kPlotSize, kLegendSize, clock_()) {
  setWindowTitle(QStringLiteral("Speed Monitor"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(
      ui::pushButton(QStringLiteral("Clear Screen"), this, &SpeedMonitor::clearScreen, this));
  buttons->addWidget(ui::pushButton(QStringLiteral("Exit"), this, &QWidget::close));
  buttons->addStretch();
  auto* controls = new QHBoxLayout;
  controls->addWidget(settingGroup());
  controls->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(plotWithMenu());
  layout->addLayout(controls);

  connect(&sampler_, &QTimer::timeout, this, &SpeedMonitor::sample);
  sampler_.start(kSampleMilliseconds);
}

QWidget* SpeedMonitor::plotWithMenu() {
  plot_ = new PicturePane(chart_.picture());
  legend_ = new PicturePane(chart_.legend(), plot_);
  legend_->setContextMenuPolicy(Qt::DefaultContextMenu);
  legend_->move(kLegendAt);
  auto* save = new QAction(QStringLiteral("Save Picture\u2026"), plot_);
  connect(save, &QAction::triggered, this,
          [this] { savePicture(pictureAsDrawn(), this, chooseFile_, errors_); });
  recordAction_ = new QAction(QStringLiteral("Record to CSV\u2026"), plot_);
  recordAction_->setCheckable(true);
  connect(recordAction_, &QAction::triggered, this, &SpeedMonitor::record);
  plot_->addAction(save);
  plot_->addAction(recordAction_);
  return framed(plot_);
}

NumberField* SpeedMonitor::rangeField(const char* name, std::int32_t initial) {
  auto* field = new NumberField(NumberKind::signed32, initial, errors_);
  field->setObjectName(QString::fromLatin1(name));
  field->setMaximumWidth(90);
  return field;
}

QWidget* SpeedMonitor::settingGroup() {
  auto* group = new QGroupBox(QStringLiteral("Display parameters Setting"));
  auto* grid = new QGridLayout(group);
  rangeFields_ = {rangeField("Speed Max", kDefaultRange.speedMax),
                  rangeField("Speed Min", kDefaultRange.speedMin),
                  rangeField("Time Max", kDefaultRange.timeMax),
                  rangeField("Time Min", kDefaultRange.timeMin)};
  rangeFields_[3]->setReadOnly(true);
  for (int index = 0; index < 4; ++index) {
    NumberField* field = rangeFields_[static_cast<std::size_t>(index)];
    grid->addWidget(new QLabel(field->objectName()), index / 2, index % 2 * 2);
    grid->addWidget(field, index / 2, index % 2 * 2 + 1);
  }
  grid->addWidget(ui::pushButton(QStringLiteral("Set"), this, &SpeedMonitor::set, this), 0, 4);
  grid->addWidget(ui::pushButton(QStringLiteral("Reset"), this, &SpeedMonitor::reset, this), 1, 4);
  return group;
}

AxisSpeeds SpeedMonitor::readSpeeds() {
  std::array<std::uint32_t, 4> raw{};
  // A failed read leaves the speeds of the previous sample.
  if (M716MotRdMultiReg(state_.board(), kAllAxes, M716_REG_LIVE_SPEED, &raw[0], &raw[1], &raw[2],
                        &raw[3]) != 0)
    return chart_.previousSpeeds();
  AxisSpeeds speeds{};
  for (std::size_t axis = 0; axis < raw.size(); ++axis)
    speeds[axis] = static_cast<std::int32_t>(raw[axis]);
  return speeds;
}

void SpeedMonitor::sample() {
  chart_.drawLegend();
  const AxisSpeeds speeds = readSpeeds();
  const std::uint32_t tick = clock_();
  if (chart_.full(tick)) clearAt(tick);
  chart_.drawGrid();
  chart_.drawTo(tick, speeds);
  if (recording_.active()) {
    const QString why = recording_.append(tick, speeds);
    if (!why.isEmpty()) {
      recordAction_->setChecked(false);
      errors_.inform(
          QStringLiteral("Recording to \"%1\" stopped: %2.").arg(recording_.fileName(), why));
    }
  }
  redraw();
}

bool SpeedMonitor::takeRange(SpeedRange& range) {
  for (NumberField* field : rangeFields_) field->take();
  range = {rangeFields_[0]->signedValue(), rangeFields_[1]->signedValue(),
           rangeFields_[2]->signedValue(), kDefaultRange.timeMin};
  if (range.speedMax != range.speedMin) return true;
  errors_.inform(QStringLiteral("\"Speed Max\" and \"Speed Min\" are both %1: the chart needs "
                                "two different values to scale between. It keeps the range it "
                                "shows.")
                     .arg(range.speedMax));
  showRange(chart_.range());
  return false;
}

void SpeedMonitor::showRange(const SpeedRange& range) {
  rangeFields_[0]->setValue(range.speedMax);
  rangeFields_[1]->setValue(range.speedMin);
  rangeFields_[2]->setValue(range.timeMax);
  rangeFields_[3]->setValue(range.timeMin);
}

void SpeedMonitor::set() {
  SpeedRange range;
  if (!takeRange(range)) return;
  range.timeMax = roundedTimeMax(range.timeMax);
  rangeFields_[2]->setValue(range.timeMax);
  chart_.setRange(range);
  chart_.erase();
  chart_.drawGrid();
  chart_.drawLegend();
  chart_.restartAt(clock_());
  redraw();
}

void SpeedMonitor::reset() {
  showRange(kDefaultRange);
  chart_.setRange(kDefaultRange);
  chart_.erase();
  chart_.restartAt(clock_());
  chart_.drawGrid();
  redraw();
}

void SpeedMonitor::clearScreen() {
  clearAt(clock_());
  redraw();
}

void SpeedMonitor::clearAt(std::uint32_t tick) {
  chart_.erase();
  chart_.drawGrid();
  chart_.restartAt(tick);
}

void SpeedMonitor::redraw() {
  plot_->update();
  legend_->update();
}

QImage SpeedMonitor::pictureAsDrawn() const {
  QImage picture = chart_.picture();
  QPainter painter(&picture);
  painter.drawImage(kLegendAt, chart_.legend());
  return picture;
}

void SpeedMonitor::record(bool start) {
  if (!start) {
    recording_.stop();
    return;
  }
  const QString file =
      chooseFile_(this, QStringLiteral("Record to CSV"), QStringLiteral("CSV files (*.csv)"));
  const QString why = file.isEmpty() ? QString() : recording_.start(file, clock_());
  if (!why.isEmpty())
    errors_.inform(QStringLiteral("\"%1\" could not be opened for recording: %2.").arg(file, why));
  recordAction_->setChecked(recording_.active());
}

void SpeedMonitor::closeEvent(QCloseEvent* event) {
  emit closing();
  sampler_.stop();
  recording_.stop();
  event->accept();
}

}  // namespace m716::utility
