// Status readout: one bit or the raw contents of the chip's status registers for one axis.

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "device/registers.h"

namespace m716 {
namespace {

// Checks the arguments, then stores what `read(board, axis)` gives. 0, 1, 6 or 23.
template <typename Read>
std::uint32_t readStatus(std::uint32_t board, std::uint32_t axis, int16_t* result, Read read) {
  if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
  if (result == nullptr) return M716_ERR_PARAMETER_INVALID;
  *result = static_cast<std::int16_t>(read(board, axis));
  return M716_OK;
}

std::uint16_t mainStatusBit(std::uint32_t board, std::uint32_t shift) {
  return (readPortWord(board, chip::RR0) >> shift) & 1;
}

std::uint16_t inputByte(std::uint32_t board, std::uint32_t axis) {
  return readInputByte(board, axis);
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716GetError(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readStatus(board, axis, state, [](std::uint32_t b, std::uint32_t a) {
      return mainStatusBit(b, chip::rr0::ErrorShift + axisIndex(a));
    });
  });
}

extern "C" KRVM716_API uint32_t M716GetDriverState(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readStatus(board, axis, state, [](std::uint32_t b, std::uint32_t a) {
      return mainStatusBit(b, axisIndex(a));
    });
  });
}

extern "C" KRVM716_API uint32_t M716GetMotionState(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readStatus(board, axis, state, [](std::uint32_t b, std::uint32_t a) {
      return readAxisStatus(b, a, chip::RR1);
    });
  });
}

extern "C" KRVM716_API uint32_t M716GetMotionInput(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readStatus(board, axis, state, [](std::uint32_t b, std::uint32_t a) {
      return readAxisStatus(b, a, chip::RR2) & chip::rr2::Errors;
    });
  });
}

extern "C" KRVM716_API uint32_t M716GetCompareState(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readStatus(board, axis, state, [](std::uint32_t b, std::uint32_t a) {
      return readAxisStatus(b, a, chip::RR3) & chip::rr3::Factors;
    });
  });
}

extern "C" KRVM716_API uint32_t M716GetInput(uint32_t board, uint32_t axis, int16_t* state) {
  return guarded(kSystemFailure,
                 [&]() -> std::uint32_t { return readStatus(board, axis, state, inputByte); });
}
