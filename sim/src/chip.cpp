#include "chip.h"

#include <algorithm>

namespace m716::sim {
namespace {

namespace offset {
constexpr std::uint32_t kCommand = 0;         // WR0 / RR0
constexpr std::uint32_t kMode1 = 2;           // WR1 / RR1
constexpr std::uint32_t kMode2 = 4;           // WR2 / RR2
constexpr std::uint32_t kMode3 = 6;           // WR3 / RR3
constexpr std::uint32_t kOutputs = 8;         // WR4 / RR4
constexpr std::uint32_t kInterpolation = 10;  // WR5 / RR5
constexpr std::uint32_t kDataLow = 12;        // WR6 / RR6
constexpr std::uint32_t kDataHigh = 14;       // WR7 / RR7
}  // namespace offset

constexpr std::uint16_t kResetCommand = 0x8000;
constexpr int kSelectOnly = 0x0F;
constexpr int kDriveSpeed = 0x05;
constexpr int kLastWriteData = 0x0C;
constexpr int kFirstReadData = 0x10;
constexpr int kLastReadData = 0x13;

// How a write-data command takes its value: from WR6 alone or from WR6 and WR7, and the range
// it is clamped to.
struct DataFormat {
  bool wide;
  std::int64_t minimum;
  std::int64_t maximum;
};

constexpr std::int64_t kAnyLow = INT32_MIN;
constexpr std::int64_t kAnyHigh = UINT32_MAX;

constexpr std::array<DataFormat, kLastWriteData + 1> kDataFormats = {{
    {true, 16'000, 8'000'000},  // 0x00 R
    {false, 1, 65'535},         // 0x01 K
    {false, 1, 8000},           // 0x02 A
    {false, 0, 8000},           // 0x03 D
    {false, 1, 8000},           // 0x04 SV
    {false, 0, 8000},           // 0x05 V
    {true, kAnyLow, kAnyHigh},  // 0x06 P
    {true, kAnyLow, kAnyHigh},  // 0x07 DP
    {true, kAnyLow, kAnyHigh},  // 0x08 C
    {true, kAnyLow, kAnyHigh},  // 0x09 LP
    {true, kAnyLow, kAnyHigh},  // 0x0A EP
    {true, kAnyLow, kAnyHigh},  // 0x0B COMP+
    {true, kAnyLow, kAnyHigh},  // 0x0C COMP-
}};

std::array<Axis, kAxisCount> makeAxes(const std::array<AxisMechanics, kAxisCount>& mechanics) {
  return {Axis(mechanics[0]), Axis(mechanics[1]), Axis(mechanics[2]), Axis(mechanics[3])};
}

}  // namespace

Chip::Chip(const std::array<AxisMechanics, kAxisCount>& mechanics, BoardDiagnostics& diagnostics)
    : axes_(makeAxes(mechanics)), diagnostics_(diagnostics) {}

Axis* Chip::selectedAxis() {
  for (int index = 0; index < kAxisCount; ++index) {
    if (selection_ & (1u << index)) return &axes_[index];
  }
  return nullptr;
}

template <class Action>
void Chip::forSelected(Action action) {
  for (int index = 0; index < kAxisCount; ++index) {
    if (selection_ & (1u << index)) action(axes_[index]);
  }
}

void Chip::write(std::uint32_t at, std::uint16_t value) {
  switch (at) {
    case offset::kCommand:
      command(value);
      break;
    case offset::kMode1:
    case offset::kMode2:
    case offset::kMode3:
      forSelected([at, value](Axis& axis) { axis.writeMode(static_cast<int>(at / 2), value); });
      break;
    case offset::kOutputs:
      outputs_ = value;
      return;
    case offset::kInterpolation:
      interpolationMode_ = value;
      return;
    case offset::kDataLow:
      dataLow_ = value;
      return;
    case offset::kDataHigh:
      dataHigh_ = value;
      return;
    default:
      return;
  }
  // Commands and mode changes may start, stop or end drives at once.
  settle();
}

std::uint16_t Chip::read(std::uint32_t at) {
  Axis* axis = selectedAxis();
  switch (at) {
    case offset::kCommand:
      return mainStatus();
    case offset::kMode1:
      return axis ? axis->status1() : 0;
    case offset::kMode2:
      return axis ? axis->status2() : 0;
    case offset::kMode3:
      return axis ? axis->takeFactors() : 0;
    case offset::kOutputs:
      return inputRegister(0, 1);
    case offset::kInterpolation:
      return inputRegister(2, 3);
    case offset::kDataLow:
      return readLow_;
    case offset::kDataHigh:
      return readHigh_;
    default:
      return 0xFFFF;
  }
}

void Chip::command(std::uint16_t word) {
  if (word == kResetCommand) {
    reset();
    return;
  }
  selection_ = static_cast<std::uint8_t>((word >> 8) & 0x0F);
  const int code = word & 0xFF;
  if (code <= kLastWriteData) {
    loadData(code);
  } else if (code >= kFirstReadData && code <= kLastReadData) {
    putIntoData(code);
  } else if (code != kSelectOnly) {
    motionCommand(code);
  }
}

void Chip::reset() {
  for (Axis& axis : axes_) axis.reset();
  for (auto& motion : motions_) motion.reset();
  held_ = {};
  pendingDrive_ = {};
  jogDirection_ = {};
  jogWanted_ = {};
  jogStartDue_ = {};
  handWheelSteps_ = {};
  decelerationValid_ = true;
  selection_ = 0;
  outputs_ = interpolationMode_ = 0;
  dataLow_ = dataHigh_ = readLow_ = readHigh_ = 0;
  interpolationInterrupt_ = false;
}

void Chip::loadData(int code) {
  const DataFormat& format = kDataFormats[code];
  std::int64_t value = format.wide ? (std::uint32_t{dataHigh_} << 16) | dataLow_ : dataLow_;
  // Signed registers take the 32-bit word as a signed number.
  if (format.wide && format.minimum < 0) value = static_cast<std::int32_t>(value);
  std::int64_t clamped = std::clamp(value, format.minimum, format.maximum);
  if (clamped != value) ++diagnostics_.clampedLoads;
  auto stored = static_cast<std::uint32_t>(clamped);
  forSelected([code, stored](Axis& axis) { axis.load(code, stored); });
  if (code == kDriveSpeed) {
    for (int index = 0; index < kAxisCount; ++index) {
      if ((selection_ & (1u << index)) && motions_[index]) motions_[index]->changeDriveSpeed();
    }
  }
}

void Chip::putIntoData(int code) {
  Axis* axis = selectedAxis();
  std::uint32_t value = 0;
  if (axis != nullptr) {
    switch (code) {
      case 0x10:
        value = static_cast<std::uint32_t>(axis->registers().logicalPosition);
        break;
      case 0x11:
        value = static_cast<std::uint32_t>(axis->registers().realPosition);
        break;
      case 0x12:
        value = axis->motion().speed;
        break;
      case 0x13:
        value = axis->motion().acceleration;
        break;
      default:
        break;
    }
  }
  readLow_ = static_cast<std::uint16_t>(value);
  readHigh_ = static_cast<std::uint16_t>(value >> 16);
}

std::uint16_t Chip::mainStatus() const {
  std::uint16_t status = 0;
  for (int index = 0; index < kAxisCount; ++index) {
    if (axes_[index].motion().driving) status |= 1u << index;
    if (axes_[index].inError()) status |= 1u << (4 + index);
  }
  if (interpolation() != nullptr) status |= 1u << 8;
  if (continuousInterpolation() && !interpolation()->segmentPending()) status |= 1u << 9;
  return status;
}

std::uint16_t Chip::inputRegister(int lowAxis, int highAxis) const {
  return static_cast<std::uint16_t>(axes_[lowAxis].inputLevels() |
                                    (axes_[highAxis].inputLevels() << 8));
}

void Chip::advanceTo(SimTime time) {
  if (time <= now_) return;
  now_ = time;
  for (int slot = 0; slot < kAxisCount; ++slot) {
    if (motions_[slot]) handle(slot, motions_[slot]->advanceTo(time));
  }
}

SimTime Chip::nextEventTime() const {
  SimTime next = kNever;
  for (const auto& motion : motions_) {
    if (motion) next = std::min(next, motion->nextEventTime());
  }
  return next;
}

bool Chip::interruptPending() const {
  return interpolationInterrupt_ ||
         std::any_of(axes_.begin(), axes_.end(), [](const Axis& a) { return a.factorsPending(); });
}

}  // namespace m716::sim
