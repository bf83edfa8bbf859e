#include "input_status_screen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>
#include <utility>

#include "KRVM716.h"
#include "m716/error_texts.h"
#include "widgets.h"

namespace m716::utility {
namespace {

constexpr int kRefreshMilliseconds = 500;
constexpr std::uint32_t kOutputModeBit = 1u << 7;  // of WR3: OUT4 to OUT7 show the drive status
constexpr int kReal = 0, kLogical = 1, kError = 2, kCompPlus = 3, kCompMinus = 4;

const QString kInputGroup = QStringLiteral("Input Status");
const QString kEndGroup = QStringLiteral("Driver End Status");
const QString kOutputGroup = QStringLiteral("OUT4~7 Control and Status");

// Where a lamp column takes its state from: the register read per axis (RR0 is one register
// for all four axes; its bits of axis i are `mask` << i) and the bits that light it.
enum class Source { rr0, rr1, rr2, inputByte };
struct LampColumn {
  const char* column;
  Source source;
  std::uint32_t mask;
};
constexpr LampColumn kInputColumns[] = {
    {"LMT+", Source::rr2, 1u << 2},        {"SLMT+", Source::rr2, 1u << 0},
    {"IN0/Z", Source::inputByte, 1u << 0}, {"IN1", Source::inputByte, 1u << 1},
    {"IN2", Source::inputByte, 1u << 2},   {"IN3/H", Source::inputByte, 1u << 3},
    {"SLMT-", Source::rr2, 1u << 1},       {"LMT-", Source::rr2, 1u << 3},
    {"ALM", Source::inputByte, 1u << 7},   {"INPOS", Source::inputByte, 1u << 6},
    {"DRV", Source::rr0, 1u << 0},         {"ERR", Source::rr0, 1u << 4},
    {"CNST", Source::rr1, 1u << 3},
};
constexpr LampColumn kEndColumns[] = {
    {"IN", Source::rr1, 0xFu << 8},  {"LMT+", Source::rr1, 1u << 12},
    {"LMT-", Source::rr1, 1u << 13}, {"ALM", Source::rr1, 1u << 14},
    {"EMG", Source::rr1, 1u << 15},
};
constexpr const char* kOutputLamps[] = {"O4/>=", "O5/<", "O6/AC", "O7/DC"};
// The RR1 bits the output lamps show while the outputs indicate the drive status.
constexpr std::uint32_t kDriveStatusBits[] = {1u << 0, 1u << 1, 1u << 2, 1u << 4};

using AxisReading = std::array<std::optional<std::uint32_t>, 4>;

std::uint32_t outputBit(int output) {
  return 1u << (8 + output);
}

QString lampName(const QString& group, const QString& column, std::size_t axis) {
  return group + '/' + column + '/' + QLatin1String(kAxisLetters[axis]);
}

// A check box that only the program sets: clicks and keys leave it as it is.
class Lamp : public QCheckBox {
 public:
  Lamp() { setFocusPolicy(Qt::NoFocus); }

 protected:
  bool hitButton(const QPoint&) const override { return false; }
  void nextCheckState() override {}
};

QLabel* heading(const QString& text) {
  auto* label = new QLabel(text);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

InputStatusScreen::InputStatusScreen(ProgramState& state, ErrorPresenter& errors, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), errors_(errors), tabs_(new QTabWidget) {
  setWindowTitle(QStringLiteral("Input Status"));
  tabs_->addTab(firstPage(), QStringLiteral("Group 1"));
  tabs_->addTab(new QWidget, QStringLiteral("Group 2"));
  tabs_->widget(1)->setLayout(new QVBoxLayout);
  connect(tabs_, &QTabWidget::currentChanged, this, &InputStatusScreen::selectTab);

  edit_ = ui::pushButton(QStringLiteral("Edit"), this, &InputStatusScreen::editOrUpdate);
  auto* exit = ui::pushButton(QStringLiteral("Exit"), this, &QWidget::close);
  // "High" and "Low" have no function: they stay disabled, "High" selected.
  auto* high = new QRadioButton(QStringLiteral("High"));
  auto* low = new QRadioButton(QStringLiteral("Low"));
  high->setChecked(true);
  high->setEnabled(false);
  low->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(high);
  buttons->addWidget(low);
  buttons->addStretch();
  buttons->addWidget(edit_);
  buttons->addWidget(exit);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(gridGroup());
  layout->addLayout(buttons);

  refreshGrid();
  showErrors();
  connect(&timer_, &QTimer::timeout, this, &InputStatusScreen::refresh);
  timer_.start(kRefreshMilliseconds);
}

void InputStatusScreen::addLamps(QGroupBox* group, const QString& column, int gridColumn) {
  auto* grid = static_cast<QGridLayout*>(group->layout());
  grid->addWidget(heading(column), 0, gridColumn);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    auto* lamp = new Lamp;
    lamp->setObjectName(lampName(group->title(), column, axis));
    grid->addWidget(lamp, static_cast<int>(axis) + 1, gridColumn, Qt::AlignCenter);
  }
}

QWidget* InputStatusScreen::firstPage() {
  auto* page = new QWidget;
  auto* group = new QGroupBox(kInputGroup);
  auto* grid = new QGridLayout(group);
  for (std::size_t axis = 0; axis < 4; ++axis)
    grid->addWidget(new QLabel(QLatin1String(kAxisLetters[axis])), static_cast<int>(axis) + 1, 0);
  int gridColumn = 1;
  for (const LampColumn& column : kInputColumns)
    addLamps(group, QLatin1String(column.column), gridColumn++);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(group);
  return page;
}

QWidget* InputStatusScreen::secondPage() {
  auto* page = new QWidget;
  auto* ends = new QGroupBox(kEndGroup);
  auto* grid = new QGridLayout(ends);
  for (std::size_t axis = 0; axis < 4; ++axis)
    grid->addWidget(new QLabel(QLatin1String(kAxisLetters[axis])), static_cast<int>(axis) + 1, 0);
  int gridColumn = 1;
  for (const LampColumn& column : kEndColumns)
    addLamps(ends, QLatin1String(column.column), gridColumn++);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(ends);
  layout->addWidget(outputGroup());
  return page;
}

QWidget* InputStatusScreen::outputGroup() {
  auto* group = new QGroupBox(kOutputGroup);
  auto* grid = new QGridLayout(group);
  for (std::size_t axis = 0; axis < 4; ++axis)
    grid->addWidget(new QLabel(QLatin1String(kAxisLetters[axis])), static_cast<int>(axis) + 1, 0);
  for (int output = 0; output < 4; ++output) {
    addLamps(group, QLatin1String(kOutputLamps[output]), output + 1);
    grid->addWidget(heading(QStringLiteral("O%1").arg(output + 4)), 0, output + 5);
    for (std::size_t axis = 0; axis < 4; ++axis) {
      auto* button = new QPushButton;
      button->setObjectName(
          QStringLiteral("O%1 %2").arg(output + 4).arg(QLatin1String(kAxisLetters[axis])));
      button->setAutoDefault(false);
      button->setFixedSize(28, 22);
      connect(button, &QPushButton::clicked, this,
              [this, axis, output] { toggleOutput(axis, output); });
      outputs_[axis][static_cast<std::size_t>(output)] = button;
      grid->addWidget(button, static_cast<int>(axis) + 1, output + 5);
    }
  }
  return group;
}

QWidget* InputStatusScreen::gridGroup() {
  auto* group = new QGroupBox(QStringLiteral("Position Counter and Compare Register"));
  auto* grid = new QGridLayout(group);
  const char* const headings[kColumns] = {"Real Counter", "Logical counter", "Error",
                                          "COMP+ Register", "COMP- Register"};
  for (int column = 0; column < kColumns; ++column)
    grid->addWidget(heading(QLatin1String(headings[column])), 0, column + 1);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    const int row = static_cast<int>(axis) + 1;
    grid->addWidget(new QLabel(QLatin1String(kAxisLetters[axis])), row, 0);
    for (int column = 0; column < kColumns; ++column) {
      auto* field = new NumberField(NumberKind::signed32, 0, errors_);
      field->setObjectName(QStringLiteral("%1 %2").arg(QLatin1String(headings[column]),
                                                       QLatin1String(kAxisLetters[axis])));
      field->setReadOnly(true);
      grid_[axis][static_cast<std::size_t>(column)] = field;
      grid->addWidget(field, row, column + 1);
    }
  }
  return group;
}

void InputStatusScreen::selectTab(int index) {
  if (index != 1 || secondPage_ != nullptr) return;
  secondPage_ = secondPage();
  tabs_->widget(1)->layout()->addWidget(secondPage_);
  // The window grows to the new page once its layout has been worked out.
  QTimer::singleShot(0, this, &QWidget::adjustSize);
}

QCheckBox* InputStatusScreen::lamp(const QString& group, const QString& column,
                                   std::size_t axis) const {
  return findChild<QCheckBox*>(lampName(group, column, axis));
}

QPushButton* InputStatusScreen::outputButton(std::size_t axis, int output) const {
  return outputs_[axis][static_cast<std::size_t>(output)];
}

void InputStatusScreen::setLamp(const QString& group, const char* column, std::size_t axis,
                                bool lit) {
  lamp(group, QLatin1String(column), axis)->setChecked(lit);
}

bool InputStatusScreen::read(std::uint32_t axis, std::uint32_t identifier, std::uint32_t& value) {
  const std::uint32_t code = M716MotRdReg(state_.board(), axis, identifier, &value);
  if (code == 0) return true;
  const QString text = QString::fromUtf8(errorText(code));
  if (!failures_.contains(text)) failures_ << text;
  return false;
}

bool InputStatusScreen::readAll(std::uint32_t identifier, AxisValues& values) {
  const std::uint32_t code = M716MotRdMultiReg(state_.board(), kAllAxes, identifier, &values[0],
                                               &values[1], &values[2], &values[3]);
  if (code == 0) return true;
  const QString text = QString::fromUtf8(errorText(code));
  if (!failures_.contains(text)) failures_ << text;
  return false;
}

void InputStatusScreen::refresh() {
  if (editing_ || showingFailures_) return;
  refreshFirstPage();
  if (secondPage_ != nullptr) refreshSecondPage();
  refreshGrid();
  showErrors();
}

void InputStatusScreen::refreshFirstPage() {
  std::uint32_t rr0 = 0, rr4 = 0, rr5 = 0;
  AxisValues rr1{}, rr2{};
  const bool haveRr0 = read(1, M716_REG_MAIN_STATUS, rr0);
  const bool haveRr1 = readAll(M716_REG_STATUS1, rr1);
  const bool haveRr2 = readAll(M716_REG_STATUS2, rr2);
  const bool haveRr4 = read(1, M716_REG_INPUT1, rr4);
  const bool haveRr5 = read(4, M716_REG_INPUT2, rr5);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    const std::uint32_t inputs = axis < 2 ? rr4 : rr5;
    const bool haveInputs = axis < 2 ? haveRr4 : haveRr5;
    for (const LampColumn& column : kInputColumns) {
      bool have = false;
      bool lit = false;
      switch (column.source) {
        case Source::rr0:
          have = haveRr0, lit = rr0 & column.mask << axis;
          break;
        case Source::rr1:
          have = haveRr1, lit = rr1[axis] & column.mask;
          break;
        case Source::rr2:
          have = haveRr2, lit = rr2[axis] & column.mask;
          break;
        case Source::inputByte:
          have = haveInputs, lit = inputs >> (8 * (axis % 2)) & column.mask;
          break;
      }
      if (have) setLamp(kInputGroup, column.column, axis, lit);
    }
  }
}

void InputStatusScreen::refreshSecondPage() {
  AxisValues ends{}, mode3{}, status{};
  const bool haveEnds = readAll(M716_REG_STATUS1, ends);
  const bool haveMode3 = readAll(M716_REG_MODE3, mode3);
  const bool haveStatus = readAll(M716_REG_STATUS1, status);
  for (std::size_t axis = 0; axis < 4; ++axis) {
    if (haveEnds)
      for (const LampColumn& column : kEndColumns)
        setLamp(kEndGroup, column.column, axis, ends[axis] & column.mask);
    if (!haveMode3) continue;
    const bool driveStatus = mode3[axis] & kOutputModeBit;
    for (int output = 0; output < 4; ++output) {
      outputs_[axis][static_cast<std::size_t>(output)]->setEnabled(!driveStatus);
      if (driveStatus && !haveStatus) continue;
      const bool lit =
          driveStatus ? status[axis] & kDriveStatusBits[output] : mode3[axis] & outputBit(output);
      setLamp(kOutputGroup, kOutputLamps[output], axis, lit);
    }
  }
}

void InputStatusScreen::refreshGrid() {
  constexpr std::pair<std::uint32_t, int> kReads[] = {{M716_REG_REAL_POSITION, kReal},
                                                      {M716_REG_LOGICAL_POSITION, kLogical},
                                                      {M716_REG_COMPARE_PLUS, kCompPlus},
                                                      {M716_REG_COMPARE_MINUS, kCompMinus}};
  for (const auto& [identifier, column] : kReads) {
    AxisValues values{};
    const bool have = readAll(identifier, values);
    for (std::size_t axis = 0; axis < 4; ++axis) {
      Cell& cell = cells_[axis][static_cast<std::size_t>(column)];
      cell.stale = !have;
      if (have) cell.value = static_cast<std::int32_t>(values[axis]);
    }
  }
  for (std::size_t axis = 0; axis < 4; ++axis) {
    auto& row = cells_[axis];
    // Real minus logical, as 32-bit signed numbers wrap.
    row[kError].value = static_cast<std::int32_t>(static_cast<std::uint32_t>(row[kReal].value) -
                                                  static_cast<std::uint32_t>(row[kLogical].value));
    for (std::size_t column = 0; column < kColumns; ++column)
      grid_[axis][column]->setValue(row[column].value);
  }
}

void InputStatusScreen::showErrors() {
  const QStringList texts = std::exchange(failures_, {});
  showingFailures_ = true;
  for (const QString& text : texts) errors_.inform(text);
  showingFailures_ = false;
}

void InputStatusScreen::toggleOutput(std::size_t axis, int output) {
  const std::uint32_t axisBit = kAxisBits[axis];
  std::uint32_t mode3 = 0;
  // Without the register's other bits nothing is written.
  if (errors_.check(M716MotRdReg(state_.board(), axisBit, M716_REG_MODE3, &mode3)) != 0) return;
  QCheckBox* shown = lamp(kOutputGroup, QLatin1String(kOutputLamps[output]), axis);
  const bool lit = shown->isChecked();
  const std::uint32_t value = lit ? mode3 & ~outputBit(output) : mode3 | outputBit(output);
  // The lamp changes only once the output has.
  if (errors_.check(M716MotWrReg(state_.board(), axisBit, M716_REG_MODE3, value)) == 0)
    shown->setChecked(!lit);
}

void InputStatusScreen::editOrUpdate() {
  constexpr int kEditable[] = {kReal, kLogical, kCompPlus, kCompMinus};
  if (!editing_) {
    timer_.stop();
    editing_ = true;
    edit_->setText(QStringLiteral("Update"));
    for (auto& row : grid_)
      for (const int column : kEditable) row[static_cast<std::size_t>(column)]->setReadOnly(false);
    return;
  }
  editing_ = false;
  edit_->setText(QStringLiteral("Edit"));
  for (auto& row : grid_)
    for (const int column : kEditable) {
      row[static_cast<std::size_t>(column)]->take();
      row[static_cast<std::size_t>(column)]->setReadOnly(true);
    }
  if (errors_.ask(kChangeRegisterQuestion)) writeGrid();
  timer_.start(kRefreshMilliseconds);
}

bool InputStatusScreen::shouldWrite(std::size_t axis, int column) const {
  const Cell& cell = cells_[axis][static_cast<std::size_t>(column)];
  return !cell.stale || grid_[axis][static_cast<std::size_t>(column)]->signedValue() != cell.value;
}

void InputStatusScreen::writeGrid() {
  const std::uint32_t board = state_.board();
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (shouldWrite(axis, kReal))
      errors_.check(
          M716SetPracticalRegister(board, kAxisBits[axis], cell(axis, kReal)->signedValue()));
  for (std::size_t axis = 0; axis < 4; ++axis)
    if (shouldWrite(axis, kLogical))
      errors_.check(
          M716SetTheorecticalRegister(board, kAxisBits[axis], cell(axis, kLogical)->signedValue()));
  for (const auto& [column, identifier] :
       {std::pair{kCompPlus, M716_REG_COMPARE_PLUS}, std::pair{kCompMinus, M716_REG_COMPARE_MINUS}})
    for (std::size_t axis = 0; axis < 4; ++axis)
      if (shouldWrite(axis, column))
        errors_.check(M716MotWrReg(board, kAxisBits[axis], static_cast<std::uint32_t>(identifier),
                                   cell(axis, column)->unsignedValue()));
}

void InputStatusScreen::closeEvent(QCloseEvent* event) {
  emit closing();
  timer_.stop();
  event->accept();
}

}  // namespace m716::utility
