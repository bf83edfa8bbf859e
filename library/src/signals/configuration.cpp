// Signal and mode configuration: the compare registers and the bits of the mode registers
// WR1..WR3 of one axis. Each change goes into the shadow of the register and then, the whole
// register, into the chip.

#include <initializer_list>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "device/registers.h"

namespace m716 {
namespace {

namespace wr1 = chip::wr1;
namespace wr2 = chip::wr2;
namespace wr3 = chip::wr3;

enum class ModeRegister { wr1, wr2, wr3 };

// One bit of a mode register and the flag argument it takes (only the low 16 bits count).
struct BitChange {
  std::uint32_t bit;
  std::uint32_t flag;
};

// The output functions also clear the unused bits 5, 6 and 12..15 of WR3.
constexpr std::uint32_t kOutputKeepMask = wr3::ModeBits | wr3::OutputLevels;
constexpr std::uint32_t kKeepAll = 0xFFFFFFFF;

std::uint32_t& shadowOf(AxisRecord& axis, ModeRegister reg) {
  switch (reg) {
    case ModeRegister::wr1:
      return axis.wr1;
    case ModeRegister::wr2:
      return axis.wr2;
    default:
      return axis.wr3;
  }
}

std::uint16_t loadCodeOf(ModeRegister reg) {
  switch (reg) {
    case ModeRegister::wr1:
      return LoadWR1;
    case ModeRegister::wr2:
      return LoadWR2;
    default:
      return LoadWR3;
  }
}

constexpr std::uint32_t low16(std::uint32_t value) {
  return value & 0xFFFF;
}

// Checks the board, the axis and then each flag (0 or 1) in the order given; sets the bits,
// keeps the bits of `keep`, and loads the register. 0, 1, 6 or 23.
std::uint32_t setModeBits(std::uint32_t board, std::uint32_t axis, ModeRegister reg,
                          std::initializer_list<BitChange> changes, std::uint32_t keep = kKeepAll) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  for (const BitChange& change : changes)
    if (low16(change.flag) > 1) return M716_ERR_PARAMETER_INVALID;
  // A home search's loads of WR1 and WR2 read the shadow under the lock.
  std::lock_guard lock(boardLock(board));
  std::uint32_t& shadow = shadowOf(boards[board].axes[axisIndex(axis)], reg);
  for (const BitChange& change : changes)
    shadow = low16(change.flag) ? shadow | change.bit : shadow & ~change.bit;
  shadow &= keep;
  issueAxisCommand(board, axis, loadCodeOf(reg));
  return M716_OK;
}

// Checks a selector argument (only its low 16 bits count) after the board and the axis.
std::uint32_t checkSelector(std::uint32_t board, std::uint32_t axis, std::uint32_t value,
                            std::uint32_t most) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  return low16(value) > most ? M716_ERR_PARAMETER_INVALID : M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;
using m716::ModeRegister;

extern "C" KRVM716_API uint32_t M716SetCompPLimit(uint32_t board, uint32_t axis, int32_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return presetAxisValue(board, axis, &AxisRecord::pcmp, chip::SetComparePlus, value);
  });
}

extern "C" KRVM716_API uint32_t M716SetCompNLimit(uint32_t board, uint32_t axis, int32_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return presetAxisValue(board, axis, &AxisRecord::ncmp, chip::SetCompareMinus, value);
  });
}

extern "C" KRVM716_API uint32_t M716EnableCompPLimit(uint32_t board, uint32_t axis,
                                                     uint32_t enable) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::SoftLimitPlus, enable}});
  });
}

extern "C" KRVM716_API uint32_t M716EnableCompNLimit(uint32_t board, uint32_t axis,
                                                     uint32_t enable) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::SoftLimitMinus, enable}});
  });
}

extern "C" KRVM716_API uint32_t M716SetPLimitLogic(uint32_t board, uint32_t axis,
                                                   uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::LimitPlusHigh, activeHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetNLimitLogic(uint32_t board, uint32_t axis,
                                                   uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::LimitMinusHigh, activeHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetCompareObject(uint32_t board, uint32_t axis,
                                                     uint32_t realCounter) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::CompareReal, realCounter}});
  });
}

extern "C" KRVM716_API uint32_t M716SetPulseMode(uint32_t board, uint32_t axis,
                                                 uint32_t pulseAndDirection) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2,
                       {{wr2::PulseAndDirection, pulseAndDirection}});
  });
}

extern "C" KRVM716_API uint32_t M716SetPulseLogic(uint32_t board, uint32_t axis,
                                                  uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::PulseHigh, activeHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetPulseDirLogic(uint32_t board, uint32_t axis,
                                                     uint32_t highForCw) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2, {{wr2::DirectionHighCw, highForCw}});
  });
}

extern "C" KRVM716_API uint32_t M716SetEncoderMultiple(uint32_t board, uint32_t axis,
                                                       uint32_t multiple) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = checkSelector(board, axis, multiple, 2)) return error;
    const std::uint32_t value = low16(multiple);
    return setModeBits(board, axis, ModeRegister::wr2,
                       {{wr2::EncoderHalf, value == 1}, {wr2::EncoderQuarter, value == 2}});
  });
}

extern "C" KRVM716_API uint32_t M716SetServoAlarm(uint32_t board, uint32_t axis, uint32_t enable,
                                                  uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2,
                       {{wr2::AlarmHigh, activeHigh}, {wr2::AlarmEnabled, enable}});
  });
}

extern "C" KRVM716_API uint32_t M716SetInPosition(uint32_t board, uint32_t axis, uint32_t enable,
                                                  uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr2,
                       {{wr2::InPositionHigh, activeHigh}, {wr2::InPositionEnabled, enable}});
  });
}

extern "C" KRVM716_API uint32_t M716SetHomeLogic(uint32_t board, uint32_t axis,
                                                 uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr1, {{wr1::In3High, activeHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetZLogic(uint32_t board, uint32_t axis, uint32_t activeHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr1, {{wr1::In0High, activeHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetInputLogic(uint32_t board, uint32_t axis,
                                                  uint32_t in2ActiveHigh, uint32_t in3ActiveHigh) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr1,
                       {{wr1::In2High, in2ActiveHigh}, {wr1::In3High, in3ActiveHigh}});
  });
}

extern "C" KRVM716_API uint32_t M716SetOutput(uint32_t board, uint32_t axis, uint32_t levels) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = checkSelector(board, axis, levels, 15)) return error;
    const std::uint32_t value = low16(levels);
    const std::uint32_t out4 = 1u << chip::wr3::OutputLevelsShift;
    return setModeBits(board, axis, ModeRegister::wr3,
                       {{out4, value & 1},
                        {out4 << 1, value >> 1 & 1},
                        {out4 << 2, value >> 2 & 1},
                        {out4 << 3, value >> 3}},
                       kOutputKeepMask);
  });
}

extern "C" KRVM716_API uint32_t M716SetOutputType(uint32_t board, uint32_t axis,
                                                  uint32_t showsDriveStatus) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return setModeBits(board, axis, ModeRegister::wr3, {{wr3::OutputsShowStatus, showsDriveStatus}},
                       kOutputKeepMask);
  });
}
