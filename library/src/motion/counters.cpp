// The logical (theoretical) and real (practical) position counters of an axis.

#include "KRVM716.h"
#include "device/board_table.h"
#include "device/guarded.h"
#include "device/registers.h"
#include "m716/board/registers.h"

using namespace m716;

extern "C" KRVM716_API uint32_t M716GetPracticalRegister(uint32_t board, uint32_t axis,
                                                         int32_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readChipValue(board, axis, chip::ReadRealPosition, value);
  });
}

extern "C" KRVM716_API uint32_t M716GetTheorecticalRegister(uint32_t board, uint32_t axis,
                                                            int32_t* value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return readChipValue(board, axis, chip::ReadLogicalPosition, value);
  });
}

extern "C" KRVM716_API uint32_t M716SetPracticalRegister(uint32_t board, uint32_t axis,
                                                         int32_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return presetAxisValue(board, axis, &AxisRecord::realPosition, chip::SetRealPosition, value);
  });
}

extern "C" KRVM716_API uint32_t M716SetTheorecticalRegister(uint32_t board, uint32_t axis,
                                                            int32_t value) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    return presetAxisValue(board, axis, &AxisRecord::logicalPosition, chip::SetLogicalPosition,
                           value);
  });
}
