#include "parameter_setting_screen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <optional>

#include "KRVM716.h"
#include "m716/error_texts.h"
#include "number_field.h"
#include "widgets.h"

namespace m716::utility {

namespace {

constexpr const char* kLow = "Active When Input in Low Level";
constexpr const char* kHigh = "Active When Input in High Level";
// The bit choices of groups 2 to 6. A row without captions is the encoder input mode: four
// choices over bits 9 to 11.
const std::vector<BitChoice> kBitPages[5] = {
    {{532, 2, "LMT+/LMT- Switch Operation Mode", "Stop Immediately", "Slow Down then Stop", false},
     {532, 3, "LMT+ Input Active Level", kLow, kHigh, false},
     {532, 4, "LMT- Input Active Level", kLow, kHigh, false},
     {532, 13, "Motor Alarm and In Position Input Setting", nullptr, "Enable Motor Alarm Input",
      false},
     {532, 15, "Motor Alarm and In Position Input Setting", nullptr,
      "Enable Motor In Position Input", false},
     {532, 12, "Motor Alarm Input Level Setting", "Active Low Level", "Active High Level", false},
     {532, 14, "Motor In Position Input Level Setting", "Active Low Level", "Active High Level",
      false}},
    {{530, 1, "IN0 ~ IN3 Limited Switch Function Disable/Enable", nullptr,
      "Enable IN0(Index) Limited Switch Function", false},
     {530, 3, "IN0 ~ IN3 Limited Switch Function Disable/Enable", nullptr,
      "Enable IN1 Limited Switch Function", false},
     {530, 5, "IN0 ~ IN3 Limited Switch Function Disable/Enable", nullptr,
      "Enable IN2 Limited Switch Function", false},
     {530, 7, "IN0 ~ IN3 Limited Switch Function Disable/Enable", nullptr,
      "Enable IN3(Home) Limited Switch Function", false},
     {530, 0, "IN0 Active Level", kLow, kHigh, true},
     {530, 2, "IN1 Active Level", kLow, kHigh, true},
     {530, 4, "IN2 Active Level", kLow, kHigh, true},
     {530, 6, "IN3 Active Level", kLow, kHigh, true}},
    {{530, 9, "Enable/Disable Interrupt", nullptr, "Interrupts When P Counter >= Comp- Register",
      false},
     {530, 10, "Enable/Disable Interrupt", nullptr, "Interrupts When P Counter < Comp- Register",
      false},
     {530, 11, "Enable/Disable Interrupt", nullptr, "Interrupts When P Counter < Comp+ Register",
      false},
     {530, 12, "Enable/Disable Interrupt", nullptr, "Interrupts When P Counter >= Comp+ Register",
      false},
     {530, 13, "Enable/Disable Interrupt", nullptr,
      "Interrupts When Acceleration Ended in Accelerating/Decelerating Drive", false},
     {530, 14, "Enable/Disable Interrupt", nullptr,
      "Interrupts When Deceleration Starts in Accelerating/Decelerating Drive", false},
     {530, 15, "Enable/Disable Interrupt", nullptr, "Interrupts When It Finished Driving", false}},
    {{532, 6, "nP+P/N nP-P/N Pulse Output Mode", "CW/CCW Pulse Output Mode",
      "Pulse/Direction Output Mode", false},
     {532, 7, "nP+P/N nP-P/N Pulse Output Level", "Pulse Output Active Low",
      "Pulse Output Active High", false},
     {532, 8, "nP-P/N Direction Output Level", "Low for CW, High for CCW",
      "Low for CCW, High for CW", false},
     {534, 2, "Acceleration Mode", "T Curve Mode", "S Curve Mode", false}},
    {{532, 0, "Enable/Disable S/W Limited Switch Function", nullptr,
      "Enable COMP+ Register as SW Limited Switch", false},
     {532, 1, "Enable/Disable S/W Limited Switch Function", nullptr,
      "Enable COMP- Register as SW Limited Switch", false},
     {532, 5, "Comp+/- Register Compareing Mode", "Compare with Logical Position Counter",
      "Compare with Real Position Counter", false},
     {532, 9, "Encoder Input Mode", nullptr, nullptr, false},
     {534, 7, "OUT4 ~ 7 Operation Mode", "General Purpose Output", "Drive Status  Indicator",
      false}},
};

}  // namespace

const std::vector<BitChoice>& bitChoices(int group) {
  return kBitPages[group - 2];
}

std::array<QString, 3> rangeTexts(std::int64_t multiplier) {
  const auto range = [multiplier](std::int64_t low, std::int64_t high) {
    return QStringLiteral("%1~%2").arg(low * multiplier).arg(high * multiplier);
  };
  return {range(1, 8000), range(125, 1000000), range(954, 62500000)};
}

namespace {

constexpr std::uint32_t kEncoderMask = 0x7u << 9;
constexpr const char* kEncoderModes[] = {"CW/CCW Pulse Mode", "AB Phase 1/1 Mode",
                                         "AB Phase 1/2 Mode", "AB Phase 1/4 Mode"};
constexpr std::uint32_t kWholeRegister = 0xFFFFFFFF;

}  // namespace

int encoderMode(std::uint32_t mode2) {
  const std::uint32_t bits = (mode2 & kEncoderMask) >> 9;
  if ((bits & 1) == 0) return 0;
  switch (bits) {
    case 0b001:
      return 1;
    case 0b011:
      return 2;
    case 0b101:
      return 3;
    default:
      return -1;
  }
}

std::uint32_t encoderBits(int mode) {
  constexpr std::uint32_t kCodes[] = {0b000, 0b001, 0b011, 0b101};
  return kCodes[mode] << 9;
}

// A page's controls, each bound to a register identifier (or some bits of one), in the order
// the page reads and writes them. Controls of one register that follow each other share one
// read; a control bound to bits is written by read-modify-write of its register.
class ParameterPage : public QWidget {
 public:
  struct Binding {
    std::uint32_t identifier;
    std::uint32_t mask;
    // Shows the register's value; false when the value shows no choice of the control.
    std::function<bool(std::uint32_t)> show;
    // The control's value (within `mask`), or nothing when it holds none.
    std::function<std::optional<std::uint32_t>()> take;
    std::function<void()> reset;
    // Holds no value of the board: its last read failed and the user has not changed it.
    bool stale = false;
  };

  ParameterPage(ProgramState& state, ErrorPresenter& errors) : state_(state), errors_(errors) {}

  void read(std::uint32_t axis);
  void write(std::uint32_t axis);
  virtual void reset();

 protected:
  // Binds a control; `edited` is the control's signal of a change by the user.
  template <typename Control, typename Signal>
  void bind(Binding binding, Control* control, Signal edited) {
    bindings_.push_back(std::move(binding));
    const std::size_t index = bindings_.size() - 1;
    connect(control, edited, this, [this, index] { bindings_[index].stale = false; });
  }
  void bindNumber(std::uint32_t identifier, NumberKind kind, NumberField* field,
                  std::optional<std::int64_t> reset);
  // Clears the stale mark of the binding at `index` when the user clicks `button`.
  void watch(QAbstractButton* button, std::size_t index) {
    connect(button, &QAbstractButton::clicked, this,
            [this, index] { bindings_[index].stale = false; });
  }
  void bindBit(const BitChoice& choice, QGroupBox* box);
  void bindEncoder(QGroupBox* box);
  void bindDirection(std::uint32_t identifier, QGroupBox* box);
  NumberField* numberField(NumberKind kind, std::int64_t initial, const QString& name);

  ProgramState& state_;
  ErrorPresenter& errors_;

 private:
  // The end of the run of bindings of one register that starts at `first`.
  std::size_t runEnd(std::size_t first) const;
  void writeRun(std::uint32_t axis, std::size_t first, std::size_t end);

  std::vector<Binding> bindings_;
};

std::size_t ParameterPage::runEnd(std::size_t first) const {
  std::size_t end = first + 1;
  while (end < bindings_.size() && bindings_[end].identifier == bindings_[first].identifier) ++end;
  return end;
}

void ParameterPage::read(std::uint32_t axis) {
  for (std::size_t first = 0; first < bindings_.size();) {
    const std::size_t end = runEnd(first);
    std::uint32_t value = 0;
    const bool read =
        errors_.check(M716MotRdReg(state_.board(), axis, bindings_[first].identifier, &value)) == 0;
    for (std::size_t index = first; index < end; ++index)
      bindings_[index].stale = !read || !bindings_[index].show(value);
    first = end;
  }
}

void ParameterPage::write(std::uint32_t axis) {
  for (std::size_t first = 0; first < bindings_.size(); first = runEnd(first))
    writeRun(axis, first, runEnd(first));
}

void ParameterPage::writeRun(std::uint32_t axis, std::size_t first, std::size_t end) {
  std::uint32_t mask = 0, bits = 0;
  for (std::size_t index = first; index < end; ++index) {
    if (bindings_[index].stale) continue;
    if (const auto value = bindings_[index].take()) {
      mask |= bindings_[index].mask;
      bits |= *value;
    }
  }
  if (mask == 0) return;
  const std::uint32_t identifier = bindings_[first].identifier;
  std::uint32_t value = 0;
  // The register's other bits are the board's: without them nothing is written.
  if (mask != kWholeRegister &&
      errors_.check(M716MotRdReg(state_.board(), axis, identifier, &value)) != 0)
    return;
  errors_.check(M716MotWrReg(state_.board(), axis, identifier, (value & ~mask) | bits));
}

void ParameterPage::reset() {
  for (Binding& binding : bindings_) {
    if (!binding.reset) continue;
    binding.reset();
    binding.stale = false;
  }
}

NumberField* ParameterPage::numberField(NumberKind kind, std::int64_t initial,
                                        const QString& name) {
  auto* field = new NumberField(kind, initial, errors_);
  field->setObjectName(name);
  field->setMaximumWidth(120);
  return field;
}

void ParameterPage::bindNumber(std::uint32_t identifier, NumberKind kind, NumberField* field,
                               std::optional<std::int64_t> reset) {
  const bool isSigned = kind == NumberKind::signed32;
  Binding binding{identifier,
                  kWholeRegister,
                  [field, isSigned](std::uint32_t value) {
                    field->setValue(isSigned ? std::int64_t{static_cast<std::int32_t>(value)}
                                             : std::int64_t{value});
                    return true;
                  },
                  [field]() -> std::optional<std::uint32_t> {
                    field->take();
                    return field->unsignedValue();
                  },
                  {}};
  if (reset) binding.reset = [field, value = *reset] { field->setValue(value); };
  bind(std::move(binding), field, &QLineEdit::textEdited);
}

void ParameterPage::bindBit(const BitChoice& choice, QGroupBox* box) {
  auto* layout = static_cast<QVBoxLayout*>(box->layout());
  const std::uint32_t bit = 1u << choice.bit;
  QAbstractButton* set = nullptr;
  QRadioButton* cleared = nullptr;
  if (choice.cleared == nullptr) {
    set = new QCheckBox(QString::fromLatin1(choice.set));
  } else {
    cleared = new QRadioButton(QString::fromLatin1(choice.cleared));
    set = new QRadioButton(QString::fromLatin1(choice.set));
    layout->addWidget(cleared);
  }
  layout->addWidget(set);
  const auto check = [set, cleared](bool on) {
    set->setChecked(on);
    if (cleared) cleared->setChecked(!on);
  };
  check(choice.resetSet);
  Binding binding{
      choice.identifier, bit,
      [check, bit](std::uint32_t value) {
        check((value & bit) != 0);
        return true;
      },
      [set, bit]() -> std::optional<std::uint32_t> { return set->isChecked() ? bit : 0; },
      [check, on = choice.resetSet] { check(on); }};
  bind(std::move(binding), set, &QAbstractButton::clicked);
  if (cleared) watch(cleared, bindings_.size() - 1);
}

void ParameterPage::bindEncoder(QGroupBox* box) {
  auto* layout = static_cast<QVBoxLayout*>(box->layout());
  std::vector<QRadioButton*> modes;
  for (const char* caption : kEncoderModes) {
    modes.push_back(new QRadioButton(QString::fromLatin1(caption)));
    layout->addWidget(modes.back());
  }
  modes[0]->setChecked(true);
  Binding binding{M716_REG_MODE2, kEncoderMask,
                  [modes](std::uint32_t value) {
                    const int mode = encoderMode(value);
                    if (mode >= 0) {
                      modes[static_cast<std::size_t>(mode)]->setChecked(true);
                      return true;
                    }
                    // Bits that code no mode show none, as the home type list does.
                    for (QRadioButton* choice : modes) {
                      choice->setAutoExclusive(false);
                      choice->setChecked(false);
                      choice->setAutoExclusive(true);
                    }
                    return false;
                  },
                  [modes]() -> std::optional<std::uint32_t> {
                    for (std::size_t mode = 0; mode < modes.size(); ++mode)
                      if (modes[mode]->isChecked()) return encoderBits(static_cast<int>(mode));
                    return std::nullopt;
                  },
                  [modes] { modes[0]->setChecked(true); }};
  bind(std::move(binding), modes[0], &QAbstractButton::clicked);
  for (std::size_t mode = 1; mode < modes.size(); ++mode) watch(modes[mode], bindings_.size() - 1);
}

void ParameterPage::bindDirection(std::uint32_t identifier, QGroupBox* box) {
  auto* row = new QHBoxLayout;
  auto* cw = new QRadioButton(QStringLiteral("CW"));
  auto* ccw = new QRadioButton(QStringLiteral("CCW"));
  cw->setChecked(true);
  row->addWidget(new QLabel(QStringLiteral("Direction")));
  row->addWidget(cw);
  row->addWidget(ccw);
  static_cast<QFormLayout*>(box->layout())->addRow(row);
  Binding binding{identifier, kWholeRegister,
                  [cw, ccw](std::uint32_t value) {
                    (value == 0 ? cw : ccw)->setChecked(true);
                    return true;
                  },
                  [ccw]() -> std::optional<std::uint32_t> { return ccw->isChecked() ? 1 : 0; },
                  [cw] { cw->setChecked(true); }};
  bind(std::move(binding), cw, &QAbstractButton::clicked);
  watch(ccw, bindings_.size() - 1);
}

namespace {

// Page "Group 1": the speed parameters and the ranges that fit a speed multiplier.
constexpr std::int64_t kMultiplierMin = 1;
constexpr std::int64_t kMultiplierMax = 500;

class SpeedPage : public ParameterPage {
 public:
  SpeedPage(ProgramState& state, ErrorPresenter& errors);

 private:
  void reset() override {
    ParameterPage::reset();
    multiplier_->setValue(1);
  }
  QWidget* rangeGroup();
  void showRanges();

  NumberField* multiplier_ = nullptr;
  std::array<QLabel*, 3> ranges_{};
};

SpeedPage::SpeedPage(ProgramState& state, ErrorPresenter& errors) : ParameterPage(state, errors) {
  struct Speed {
    std::uint32_t identifier;
    const char* label;
    std::int64_t reset;
  };
  constexpr Speed kSpeeds[] = {{M716_PAR_SV, "Initial Speed (SV) :", 1000},
                               {M716_PAR_DV, "Drive Speed (DV) :", 6000},
                               {M716_PAR_MDV, "Max. Drive Speed (MDV) :", 8000},
                               {M716_PAR_AC, "Acc./Dec. (AC) :", 600000},
                               {M716_PAR_AK, "Rate of Acceleration (AK) :", 10000000}};
  auto* speeds = new QGroupBox(QStringLiteral("Drive Speed Parameters Setting"));
  auto* form = new QFormLayout(speeds);
  for (const Speed& speed : kSpeeds) {
    const QString label = QString::fromLatin1(speed.label);
    NumberField* field = numberField(NumberKind::unsigned32, speed.reset, label);
    form->addRow(label, field);
    bindNumber(speed.identifier, NumberKind::unsigned32, field, speed.reset);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(speeds);
  layout->addWidget(rangeGroup());
  layout->addStretch();
}

QWidget* SpeedPage::rangeGroup() {
  auto* group = new QGroupBox(QStringLiteral("Drive Speed Parameter Range Reference"));
  auto* form = new QFormLayout(group);
  const QString label = QStringLiteral("Multiplier Setting (1 ~ 500 ) :");
  multiplier_ = numberField(NumberKind::signed32, 1, label);
  multiplier_->nameRange(kMultiplierMin, kMultiplierMax);
  form->addRow(label, multiplier_);
  const char* const labels[] = {
      "Drive Speed Range (DV) :", "Acceleration Range  (AC) :", "Rate of Acc. Range (AK) :"};
  for (std::size_t index = 0; index < ranges_.size(); ++index) {
    ranges_[index] = new QLabel;
    ranges_[index]->setObjectName(QString::fromLatin1(labels[index]));
    form->addRow(QString::fromLatin1(labels[index]), ranges_[index]);
  }
  showRanges();
  connect(multiplier_, &QLineEdit::textChanged, this, &SpeedPage::showRanges);
  return group;
}

void SpeedPage::showRanges() {
  const auto typed = parseNumber(multiplier_->text(), NumberKind::signed32);
  if (!typed) return;  // still being typed; a text that stays no number is reported on leaving
  const std::int64_t multiplier = std::clamp(*typed, kMultiplierMin, kMultiplierMax);
  if (multiplier != *typed) {
    multiplier_->setValue(multiplier);
    errors_.inform(QStringLiteral("The multiplier is a whole number from %1 to %2; %3 became %4.")
                       .arg(kMultiplierMin)
                       .arg(kMultiplierMax)
                       .arg(*typed)
                       .arg(multiplier));
    return;  // the new text has shown the ranges
  }
  multiplier_->take();
  const auto texts = rangeTexts(multiplier);
  for (std::size_t index = 0; index < ranges_.size(); ++index)
    ranges_[index]->setText(texts[index]);
}

// Pages "Group 2" to "Group 6": the bits of their table.
class BitPage : public ParameterPage {
 public:
  BitPage(ProgramState& state, ErrorPresenter& errors, const std::vector<BitChoice>& choices,
          const char* note)
      : ParameterPage(state, errors) {
    auto* layout = new QGridLayout(this);
    QGroupBox* box = nullptr;
    for (const BitChoice& choice : choices) {
      if (box == nullptr || box->title() != QLatin1String(choice.group)) {
        box = new QGroupBox(QString::fromLatin1(choice.group));
        new QVBoxLayout(box);
        const int index = layout->count();
        layout->addWidget(box, index / 2, index % 2);
      }
      if (choice.set == nullptr)
        bindEncoder(box);
      else
        bindBit(choice, box);
    }
    if (note != nullptr)
      layout->addWidget(new QLabel(QString::fromLatin1(note)), layout->rowCount(), 0, 1, 2);
    layout->setRowStretch(layout->rowCount(), 1);
  }
};

// Page "Home Parameters".
class HomePage : public ParameterPage {
 public:
  HomePage(ProgramState& state, ErrorPresenter& errors);

 private:
  QGroupBox* phase(const char* title) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    new QFormLayout(box);
    return box;
  }
  NumberField* addNumber(QGroupBox* box, const char* label, NumberKind kind, std::int64_t initial) {
    NumberField* field =
        numberField(kind, initial, QStringLiteral("%1 %2").arg(box->title(), QLatin1String(label)));
    static_cast<QFormLayout*>(box->layout())->addRow(QString::fromLatin1(label), field);
    return field;
  }
  void bindType(QComboBox* list);
};

HomePage::HomePage(ProgramState& state, ErrorPresenter& errors) : ParameterPage(state, errors) {
  auto* limits = new QGroupBox(QStringLiteral("Home Search"));
  new QFormLayout(limits);
  auto* type = new QComboBox;
  type->setObjectName(QStringLiteral("home Type"));
  type->addItems({"0", "1", "2", "3", "4"});
  static_cast<QFormLayout*>(limits->layout())->addRow(QStringLiteral("home Type"), type);
  bindType(type);
  QGroupBox* phases[] = {phase("Phase0 Setting"), phase("Phase1 Setting"), phase("Phase2 Setting"),
                         phase("Phase3 Setting")};
  const auto speed = NumberKind::unsigned32, position = NumberKind::signed32;
  bindDirection(M716_PAR_HOME_P0_DIR, phases[0]);
  bindNumber(M716_PAR_HOME_P0_SPEED, speed, addNumber(phases[0], "Speed", speed, 6000), 6000);
  bindDirection(M716_PAR_HOME_P1_DIR, phases[1]);
  bindNumber(M716_PAR_HOME_P1_SPEED, speed, addNumber(phases[1], "Speed", speed, 1000), 1000);
  bindDirection(M716_PAR_HOME_P2_DIR, phases[2]);
  NumberField* offset = addNumber(phases[3], "Offset", position, 0);
  bindNumber(M716_PAR_HOME_OFFSET_SPEED, speed, addNumber(phases[3], "Speed", speed, 6000), 6000);
  bindNumber(M716_PAR_HOME_OFFSET, position, offset, 0);
  // "CW End" and "CCW End" keep their values on "ReSet".
  NumberField* cwEnd = numberField(position, 2000000000, QStringLiteral("CW End"));
  NumberField* ccwEnd = numberField(position, -2000000000, QStringLiteral("CCW End"));
  static_cast<QFormLayout*>(limits->layout())->addRow(QStringLiteral("CW End"), cwEnd);
  static_cast<QFormLayout*>(limits->layout())->addRow(QStringLiteral("CCW End"), ccwEnd);
  bindNumber(M716_PAR_PLMT, position, cwEnd, std::nullopt);
  bindNumber(M716_PAR_NLMT, position, ccwEnd, std::nullopt);
  auto* layout = new QGridLayout(this);
  layout->addWidget(limits, 0, 0);
  layout->addWidget(phases[0], 0, 1);
  layout->addWidget(phases[1], 1, 0);
  layout->addWidget(phases[2], 1, 1);
  layout->addWidget(phases[3], 2, 0);
  layout->setRowStretch(3, 1);
}

void HomePage::bindType(QComboBox* list) {
  Binding binding{M716_PAR_HOME_TYPE, kWholeRegister,
                  [list](std::uint32_t value) {
                    list->setCurrentIndex(value <= 4 ? static_cast<int>(value) : -1);
                    return true;
                  },
                  [list]() -> std::optional<std::uint32_t> {
                    // A list without a selection gives no type to write.
                    if (list->currentIndex() < 0) return std::nullopt;
                    return static_cast<std::uint32_t>(list->currentIndex());
                  },
                  [list] { list->setCurrentIndex(0); }};
  bind(std::move(binding), list, &QComboBox::activated);
}

ParameterPage* makePage(int index, ProgramState& state, ErrorPresenter& errors) {
  if (index == 0) return new SpeedPage(state, errors);
  if (index == ParameterSettingScreen::kPages - 1) return new HomePage(state, errors);
  const int group = index + 1;
  return new BitPage(state, errors, bitChoices(group),
                     group == 4 ? "P Counter : Real or Logical Position Counter" : nullptr);
}

}  // namespace

ParameterSettingScreen::ParameterSettingScreen(ProgramState& state, ErrorPresenter& errors,
                                               QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), errors_(errors), tabs_(new QTabWidget) {
  setWindowTitle(QStringLiteral("Parameters Setting"));
  for (const char* title :
       {"Group 1", "Group 2", "Group 3", "Group 4", "Group 5", "Group 6", "Home Parameters"}) {
    auto* holder = new QWidget;
    new QVBoxLayout(holder);
    tabs_->addTab(holder, QString::fromLatin1(title));
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(axisGroups());
  connect(tabs_, &QTabWidget::currentChanged, this, &ParameterSettingScreen::selectTab);
  selectTab(0);
}

ParameterSettingScreen::~ParameterSettingScreen() = default;

QWidget* ParameterSettingScreen::axisGroups() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  auto* loadGroup = new QGroupBox(QStringLiteral("Load Parameters from"));
  auto* loadLayout = new QHBoxLayout(loadGroup);
  auto* saveGroup = new QGroupBox(QStringLiteral("Save Parameters to"));
  auto* saveLayout = new QHBoxLayout(saveGroup);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    const QString caption = QStringLiteral("%1 axis").arg(QLatin1String(kAxisLetters[axis]));
    loadFrom_[axis] = new QRadioButton(caption);
    saveTo_[axis] = new QCheckBox(caption);
    loadLayout->addWidget(loadFrom_[axis]);
    saveLayout->addWidget(saveTo_[axis]);
  }
  loadFrom_[0]->setChecked(true);
  loadLayout->addWidget(
      ui::pushButton(QStringLiteral("Load"), this, &ParameterSettingScreen::load));
  saveLayout->addWidget(
      ui::pushButton(QStringLiteral("Save"), this, &ParameterSettingScreen::save));
  layout->addWidget(loadGroup);
  layout->addWidget(saveGroup);
  layout->addWidget(
      ui::pushButton(QStringLiteral("ReSet"), this, &ParameterSettingScreen::resetPage));
  layout->addWidget(ui::pushButton(QStringLiteral("Exit"), this, &QWidget::close));
  return row;
}

QWidget* ParameterSettingScreen::page(int index) const {
  return pages_[static_cast<std::size_t>(index)];
}

void ParameterSettingScreen::selectTab(int index) {
  if (index < 0) return;
  ParameterPage*& page = pages_[static_cast<std::size_t>(index)];
  if (page == nullptr) {
    page = makePage(index, state_, errors_);
    tabs_->widget(index)->layout()->addWidget(page);
  }
  page->read(loadAxis_);
}

void ParameterSettingScreen::load() {
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (loadFrom_[axis]->isChecked()) {
      loadAxis_ = kAxisBits[axis];
      break;
    }
  pages_[static_cast<std::size_t>(tabs_->currentIndex())]->read(loadAxis_);
}

void ParameterSettingScreen::resetPage() {
  pages_[static_cast<std::size_t>(tabs_->currentIndex())]->reset();
}

void ParameterSettingScreen::save() {
  std::vector<std::uint32_t> axes;
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (saveTo_[axis]->isChecked()) axes.push_back(kAxisBits[axis]);
  if (axes.empty()) {
    errors_.tell(kNoAxisSelected);
    return;
  }
  if (!errors_.ask(kSaveToRegistryQuestion)) return;
  for (const std::uint32_t axis : axes) {
    for (ParameterPage* page : pages_)
      if (page != nullptr) page->write(axis);
    errors_.check(M716MotSavePara(state_.board(), axis));
  }
}

void ParameterSettingScreen::closeEvent(QCloseEvent* event) {
  emit closing();
  event->accept();
}

}  // namespace m716::utility
