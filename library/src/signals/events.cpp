// Interrupt events: which factors interrupt, and waiting for them.

#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_events.h"
#include "device/board_table.h"
#include "device/guarded.h"
#include "device/interrupt_factors.h"
#include "device/ports.h"
#include "motion/home_search.h"

namespace m716 {
namespace {

void enableEvents(std::uint32_t board, std::uint32_t axes,
                  const std::array<std::uint32_t, kAxisCount>& enables) {
  // A home search's loads of WR1 read the shadow under the lock.
  std::lock_guard lock(boardLock(board));
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    AxisRecord& axis = boards[board].axes[index];
    axis.wr1 = (axis.wr1 & chip::wr1::InputBits) | ((enables[index] & chip::rr3::Factors) << 8);
    issueAxisCommand(board, mask, LoadWR1);
  });
}

// A home search enables the drive-end interrupt in the chip without the application asking:
// an axis in a search whose drive end the application did not enable does not report it. (The
// search removes its last drive end itself when it ends.)
std::uint32_t withoutUnaskedDriveEnds(std::uint32_t board, std::uint32_t searching,
                                      std::uint32_t word) {
  forEachAxis(searching, [&](std::uint32_t, std::uint32_t index) {
    if (!(boards[board].axes[index].wr1 & chip::wr1::DriveEndInterrupt))
      word &= ~(std::uint32_t{chip::rr3::DriveEnded} << (8 * index));
  });
  return word;
}

std::uint32_t checkEvent(std::uint32_t board, std::uint32_t timeout) {
  // The event is reset before the take: a factor added after the take signals it again.
  if (!waitInterruptEvent(board, timeout)) return 0;
  // An axis searching before or after the take counts as searching, so a search that starts
  // or ends meanwhile cannot slip its drive end through.
  std::uint32_t searching = homeSearchAxes(board);
  const std::uint32_t word = takePendingFactors(board);
  searching |= homeSearchAxes(board);
  boards[board].lastInterruptFactors = word;
  return withoutUnaskedDriveEnds(board, searching, word);
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotEnableEvent(uint32_t board, uint32_t axes, uint32_t x,
                                                   uint32_t y, uint32_t z, uint32_t u) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    enableEvents(board, axes, {x, y, z, u});
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716MotCheckEvent(uint32_t board, uint32_t* events,
                                                  uint32_t timeout) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (events == nullptr) return M716_ERR_PARAMETER_INVALID;
    *events = checkEvent(board, timeout);
    return M716_OK;
  });
}
