#include "profile_monitor.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "KRVM716.h"
#include "widgets.h"

namespace m716::utility {
namespace {

constexpr int kSampleMilliseconds = 100;
const ProfileRange kDefaultRange{};

using CounterRead = std::uint32_t (*)(std::uint32_t, std::uint32_t, std::int32_t*);

QComboBox* axisList(const char* name, int selected) {
  auto* list = new QComboBox;
  list->setObjectName(QString::fromLatin1(name));
  for (const char* letter : kAxisLetters) list->addItem(QStringLiteral("%1 axis").arg(letter));
  list->setCurrentIndex(selected);
  return list;
}

QLineEdit* positionField(const char* name) {
  auto* field = new QLineEdit(QStringLiteral("0"));
  field->setObjectName(QString::fromLatin1(name));
  field->setReadOnly(true);
  return field;
}

}  // namespace

ProfileMonitor::ProfileMonitor(ProgramState& state, ErrorPresenter& errors, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), errors_(errors) {
  setWindowTitle(QStringLiteral("Profile Monitor"));
  plot_ = new PicturePane(chart_.picture());
  auto* save = new QAction(QStringLiteral("Save Picture\u2026"), plot_);
  connect(save, &QAction::triggered, this,
          [this] { savePicture(chart_.picture(), this, chooseFile_, errors_); });
  plot_->addAction(save);

  auto* positions = new QFormLayout;
  hPosition_ = positionField("H Axis Position");
  vPosition_ = positionField("V Axis Position");
  positions->addRow(QStringLiteral("H Axis Position"), hPosition_);
  positions->addRow(QStringLiteral("V Axis Position"), vPosition_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(
      ui::pushButton(QStringLiteral("Clear Screen"), this, &ProfileMonitor::clearScreen, this));
  buttons->addWidget(ui::pushButton(QStringLiteral("Exit"), this, &QWidget::close));

  auto* side = new QVBoxLayout;
  side->addWidget(settingGroup());
  side->addLayout(positions);
  side->addStretch();
  side->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(framed(plot_));
  layout->addLayout(side);

  connect(&sampler_, &QTimer::timeout, this, &ProfileMonitor::sample);
  sampler_.start(kSampleMilliseconds);
}

NumberField* ProfileMonitor::rangeField(const char* name, std::int32_t initial) {
  auto* field = new NumberField(NumberKind::signed32, initial, errors_);
  field->setObjectName(QString::fromLatin1(name));
  return field;
}

QWidget* ProfileMonitor::settingGroup() {
  auto* group = new QGroupBox(QStringLiteral("Display Parameters Setting"));
  auto* form = new QFormLayout(group);
  hList_ = axisList("H Axis", 0);
  vList_ = axisList("V Axis", 1);
  connect(hList_, &QComboBox::currentIndexChanged, this,
          [this](int index) { hAxis_ = 1U << index; });
  connect(vList_, &QComboBox::currentIndexChanged, this,
          [this](int index) { vAxis_ = 1U << index; });
  form->addRow(QStringLiteral("H Axis"), hList_);
  form->addRow(QStringLiteral("V Axis"), vList_);
  rangeFields_ = {
      rangeField("H Axis Max", kDefaultRange.hMax), rangeField("H Axis Min", kDefaultRange.hMin),
      rangeField("V Axis Max", kDefaultRange.vMax), rangeField("V Axis Min", kDefaultRange.vMin)};
  for (NumberField* field : rangeFields_) form->addRow(field->objectName(), field);
  auto* logicTracking = new QRadioButton(QStringLiteral("Logic Position Tracking"));
  logicTracking->setChecked(true);
  realTracking_ = new QRadioButton(QStringLiteral("Real Position Tracking"));
  form->addRow(logicTracking);
  form->addRow(realTracking_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ui::pushButton(QStringLiteral("Set"), this, &ProfileMonitor::set, this));
  buttons->addWidget(ui::pushButton(QStringLiteral("Reset"), this, &ProfileMonitor::reset, this));
  form->addRow(buttons);
  return group;
}

PlanePosition ProfileMonitor::readPositions(PlanePosition held, bool report) {
  const CounterRead read = tracksReal_ ? M716GetPracticalRegister : M716GetTheorecticalRegister;
  PlanePosition position = held;
  const std::uint32_t hResult = read(state_.board(), hAxis_, &position.h);
  if (report) errors_.check(hResult);
  const std::uint32_t vResult = read(state_.board(), vAxis_, &position.v);
  if (report) errors_.check(vResult);
  // A failed read leaves the value held before it.
  if (hResult != 0) position.h = held.h;
  if (vResult != 0) position.v = held.v;
  return position;
}

void ProfileMonitor::sample() {
  const PlanePosition position = readPositions(chart_.previous(), false);
  hPosition_->setText(QString::number(position.h));
  vPosition_->setText(QString::number(position.v));
  chart_.drawGrid();
  chart_.drawTo(position);
  plot_->update();
}

bool ProfileMonitor::takeRange(ProfileRange& range) {
  for (NumberField* field : rangeFields_) field->take();
  range = {rangeFields_[0]->signedValue(), rangeFields_[1]->signedValue(),
           rangeFields_[2]->signedValue(), rangeFields_[3]->signedValue()};
  const bool hEmpty = range.hMax == range.hMin;
  if (!hEmpty && range.vMax != range.vMin) return true;
  const std::size_t max = hEmpty ? 0 : 2;
  errors_.inform(QStringLiteral("\"%1\" and \"%2\" are both %3: the chart needs two different "
                                "values to scale between. It keeps the range it shows.")
                     .arg(rangeFields_[max]->objectName(), rangeFields_[max + 1]->objectName())
                     .arg(rangeFields_[max]->signedValue()));
  showRange(chart_.range());
  return false;
}

void ProfileMonitor::showRange(const ProfileRange& range) {
  rangeFields_[0]->setValue(range.hMax);
  rangeFields_[1]->setValue(range.hMin);
  rangeFields_[2]->setValue(range.vMax);
  rangeFields_[3]->setValue(range.vMin);
}

// The chart starts again with `range`, from where the axes stand, so no jump line is drawn.
void ProfileMonitor::startFrom(const ProfileRange& range) {
  chart_.setRange(range);
  chart_.erase();
  chart_.drawGrid();
  chart_.moveTo(readPositions(chart_.previous(), true));
  plot_->update();
}

void ProfileMonitor::set() {
  ProfileRange range;
  if (!takeRange(range)) return;
  tracksReal_ = realTracking_->isChecked();
  startFrom(range);
}

void ProfileMonitor::reset() {
  showRange(kDefaultRange);
  startFrom(kDefaultRange);
}

void ProfileMonitor::clearScreen() {
  chart_.erase();
  chart_.drawGrid();
  plot_->update();
}

void ProfileMonitor::closeEvent(QCloseEvent* event) {
  emit closing();
  sampler_.stop();
  event->accept();
}

}  // namespace m716::utility
