#include "chip.h"

#include <algorithm>

#include "latch.h"

namespace m716::sim {
namespace {

// How a write-data command takes its value: from WR6 alone or from WR6 and WR7, and the range
// it is clamped to.
struct DataFormat {
  bool wide;
  std::int64_t minimum;
  std::int64_t maximum;
};

constexpr std::int64_t kAnyLow = INT32_MIN;
constexpr std::int64_t kAnyHigh = UINT32_MAX;

constexpr std::array<DataFormat, cmd::kSetCompMinus + 1> kDataFormats = {{
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
  for (std::size_t index = 0; index < kAxisCount; ++index) {
    if (selected(index)) return &axes_[index];
  }
  return nullptr;
}

void Chip::write(std::uint32_t at, std::uint16_t value) {
  // WR4..WR7 take effect at the commands that use them.
  static constexpr Latch<Chip> kLatches[] = {{port::kOutputs, &Chip::outputs_},
                                             {port::kInterpolation, &Chip::interpolationMode_},
                                             {port::kDataLow, &Chip::dataLow_},
                                             {port::kDataHigh, &Chip::dataHigh_}};
  if (writeLatch<Chip>(*this, kLatches, at, value)) {
    // Continuous mode asked for while no interpolation runs: the chip can take a segment now.
    if (at == port::kInterpolation && anySet(value, wr5::kContinuous) && interpolation() == nullptr)
      interpolationInterrupt_ = true;
    return;
  }
  switch (at) {
    case port::kCommand:
      command(value);
      break;
    case port::kMode1:
    case port::kMode2:
    case port::kMode3:
      forSelected(
          [&](std::size_t index) { axes_[index].writeMode(static_cast<int>(at / 2), value); });
      break;
    default:
      return;
  }
  // Commands and mode changes may start, stop or end drives at once.
  settle();
}

std::uint16_t Chip::read(std::uint32_t at) {
  Axis* axis = selectedAxis();
  switch (at) {
    case port::kCommand:
      return mainStatus();
    case port::kMode1:
      return axis ? axis->status1() : 0;
    case port::kMode2:
      return axis ? axis->status2() : 0;
    case port::kMode3:
      return axis ? axis->takeFactors() : 0;
    case port::kOutputs:
      return inputRegister(0, 1);
    case port::kInterpolation:
      return inputRegister(2, 3);
    case port::kDataLow:
      return readLow_;
    case port::kDataHigh:
      return readHigh_;
    default:
      return kUndriven;
  }
}

void Chip::command(std::uint16_t word) {
  if (word == wr0::kReset) {
    reset();
    return;
  }
  selection_ = word & wr0::kAxes;
  const unsigned code = field(word, wr0::kCode);
  if (code <= cmd::kSetCompMinus) {
    loadData(code);
  } else if (code >= cmd::kReadLogicalPosition && code <= cmd::kReadAcceleration) {
    putIntoData(code);
  } else if (code != cmd::kSelect) {
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
  continuousRun_ = false;
}

void Chip::loadData(unsigned code) {
  const DataFormat& format = kDataFormats[code];
  std::int64_t value = format.wide ? (std::uint32_t{dataHigh_} << 16) | dataLow_ : dataLow_;
  // Signed registers take the 32-bit word as a signed number.
  if (format.wide && format.minimum < 0) value = static_cast<std::int32_t>(value);
  std::int64_t clamped = std::clamp(value, format.minimum, format.maximum);
  if (clamped != value) ++diagnostics_.clampedLoads;
  auto stored = static_cast<std::uint32_t>(clamped);
  forSelected([&](std::size_t index) { axes_[index].load(code, stored); });
  if (code == cmd::kSetDriveSpeed) {
    forSelected([&](std::size_t index) {
      if (motions_[index]) motions_[index]->changeDriveSpeed();
    });
  }
}

void Chip::putIntoData(unsigned code) {
  Axis* axis = selectedAxis();
  std::uint32_t value = 0;
  if (axis != nullptr) {
    switch (code) {
      case cmd::kReadLogicalPosition:
        value = static_cast<std::uint32_t>(axis->registers().logicalPosition);
        break;
      case cmd::kReadRealPosition:
        value = static_cast<std::uint32_t>(axis->registers().realPosition);
        break;
      case cmd::kReadSpeed:
        value = axis->motion().speed;
        break;
      case cmd::kReadAcceleration:
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
  for (std::size_t index = 0; index < kAxisCount; ++index) {
    if (axes_[index].motion().driving) status |= axisBit(rr0::kDriving, index);
    if (axes_[index].inError()) status |= axisBit(rr0::kError, index);
  }
  if (interpolation() != nullptr) status |= rr0::kInterpolating;
  if (continuousRun_ && interpolation() != nullptr && !interpolation()->segmentPending()) {
    status |= rr0::kSegmentWanted;
  }
  return status;
}

std::uint16_t Chip::inputRegister(std::size_t lowAxis, std::size_t highAxis) const {
  return static_cast<std::uint16_t>(axes_[lowAxis].inputLevels() |
                                    (axes_[highAxis].inputLevels() << 8));
}

void Chip::advanceTo(SimTime time) {
  if (time <= now_) return;
  now_ = time;
  for (std::size_t slot = 0; slot < kAxisCount; ++slot) {
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

std::uint64_t Chip::interruptCauses() const {
  std::uint64_t causes = interpolationInterrupt_ ? std::uint64_t{1} << 63 : 0;
  for (std::size_t index = 0; index < kAxisCount; ++index)
    causes |= std::uint64_t{axes_[index].factors()} << (16 * index);
  return causes;
}

}  // namespace m716::sim
