#pragma once
// End-to-end fixture: board 0 installed at 0x300 and open on the simulated board, whose clock
// is frozen so that a test moves time itself. Every test ends with no register load the chip
// had to clamp.

#include <gtest/gtest.h>

#include <functional>

#include "KRVM716.h"
#include "installed_board.h"
#include "m716sim.h"

namespace m716::test {

constexpr std::uint32_t kSimBase = 0x300;

// Fixture: board 0 installed; after the case every board is closed, as an application closes
// its boards before it ends, so that the next case opens them anew.
class ClosedAfterTest : public InstalledBoardTest {
 protected:
  void TearDown() override { closeEveryBoard(); }
  static void closeEveryBoard() {
    for (std::uint32_t board = 0; board < 16; ++board) M716MotDevClose(board);
  }
};

class OpenBoardTest : public ClosedAfterTest {
 protected:
  void SetUp() override {
    InstalledBoardTest::SetUp();
    M716SimSetSpeedFactor(0);
    ASSERT_EQ(M716MotDevOpen(0), M716_OK);
  }
  void TearDown() override {
    EXPECT_EQ(M716SimClampedLoads(kSimBase), 0u) << "a register load was out of the chip's range";
    // The library keeps an axis's external drive mode across a close; the next case's board
    // is powered up anew, so none is left set.
    for (std::uint32_t axis : {1u, 2u, 4u, 8u}) M716MotExtMode(0, axis, 0, 0);
    EXPECT_EQ(M716MotDevClose(0), M716_OK);
    closeEveryBoard();
  }

  // Advances the frozen clock in steps until `done` holds; false when `seconds` pass first.
  static bool advanceUntil(const std::function<bool()>& done, double seconds, double step = 0.005) {
    for (double waited = 0; waited <= seconds; waited += step) {
      if (done()) return true;
      M716SimAdvance(step);
    }
    return done();
  }
  static bool idle(std::uint32_t axes) { return M716MotAxisBusy(0, axes) == M716_OK; }
  static bool finishes(std::uint32_t axes, double seconds = 30) {
    return advanceUntil([axes] { return idle(axes); }, seconds);
  }

  static std::int32_t logicalPosition(std::uint32_t axis) {
    std::int32_t value = 0;
    EXPECT_EQ(M716GetTheorecticalRegister(0, axis, &value), M716_OK);
    return value;
  }
  static std::uint32_t readRegister(std::uint32_t axis, std::uint32_t id) {
    std::uint32_t value = 0;
    EXPECT_EQ(M716MotRdReg(0, axis, id, &value), M716_OK);
    return value;
  }
  static std::int16_t status(uint32_t (*get)(uint32_t, uint32_t, int16_t*), std::uint32_t axis) {
    std::int16_t value = -1;
    EXPECT_EQ(get(0, axis, &value), M716_OK);
    return value;
  }
};

}  // namespace m716::test
