// The logical (theoretical) and real (practical) position counters of an axis.

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip.h"
#include "device/ports.h"
#include "device/registers.h"

namespace m716 {
namespace {

std::uint32_t readCounter(std::uint32_t board, std::uint32_t axis, std::uint16_t code,
                          int32_t* value) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  if (value == nullptr) return M716_ERR_PARAMETER_INVALID;
  *value = static_cast<std::int32_t>(readChipData(board, axis, code, WordOrder::lowFirst));
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716GetPracticalRegister(uint32_t board, uint32_t axis,
                                                         int32_t* value) {
  return readCounter(board, axis, chip::ReadRealPosition, value);
}

extern "C" KRVM716_API uint32_t M716GetTheorecticalRegister(uint32_t board, uint32_t axis,
                                                            int32_t* value) {
  return readCounter(board, axis, chip::ReadLogicalPosition, value);
}

extern "C" KRVM716_API uint32_t M716SetPracticalRegister(uint32_t board, uint32_t axis,
                                                         int32_t value) {
  return presetAxisValue(board, axis, &AxisRecord::realPosition, chip::SetRealPosition, value);
}

extern "C" KRVM716_API uint32_t M716SetTheorecticalRegister(uint32_t board, uint32_t axis,
                                                            int32_t value) {
  return presetAxisValue(board, axis, &AxisRecord::logicalPosition, chip::SetLogicalPosition,
                       value);
}
