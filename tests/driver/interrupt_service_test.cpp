// The driver's interrupt service on the simulated board: on the board's interrupt it adds RR3
// of every axis to the factors pending in the interrupt block, signals the home event on a
// drive end and the interrupt event on any factor, and so drops the line.

#include <string>

#include "KRVM716_driver.h"
#include "m716/platform/events.h"
#include "motion_fixture.h"

extern "C" uint32_t DriverProc(uintptr_t, uintptr_t, uintptr_t code, uintptr_t block, uintptr_t);

namespace m716::test {
namespace {

constexpr unsigned kBoardNumber = 3;

class InterruptServiceTest : public MotionTest {
 protected:
  void SetUp() override {
    MotionTest::SetUp();
    block_.board = kBoardNumber;
    block_.baseAddress = kBase;
    ASSERT_EQ(callDriver(M716_DRIVER_REGISTER_BOARD), 0u);
    interruptEvent_ =
        platform::openEvent(M716_EVENT_INTERRUPT_PREFIX + std::to_string(kBoardNumber));
    homeEvent_ = platform::openEvent(M716_EVENT_HOME_PREFIX + std::to_string(kBoardNumber));
    ASSERT_NE(interruptEvent_, nullptr);
    ASSERT_NE(homeEvent_, nullptr);
    setUpAxes(kX | kY, {500, 400, 10'000});
  }
  void TearDown() override {
    platform::closeEvent(interruptEvent_);
    platform::closeEvent(homeEvent_);
    callDriver(M716_DRIVER_UNREGISTER_BOARD);
    MotionTest::TearDown();
  }
  std::uint32_t callDriver(std::uintptr_t code) {
    return DriverProc(0, 0, code, reinterpret_cast<std::uintptr_t>(&block_), 0);
  }
  static bool signalled(platform::EventHandle event) {
    return platform::waitEvent(event, 0) == platform::WaitResult::signalled;
  }

  M716InterruptBlock block_{};
  platform::EventHandle interruptEvent_ = nullptr;
  platform::EventHandle homeEvent_ = nullptr;
};

TEST_F(InterruptServiceTest, DriveEndStoresTheFactorsAndSignalsBothEvents) {
  writeMode(kY, 1, kDriveEnded << 8);
  fixedDrive(kY, 40);
  M716SimAdvance(0.05);
  EXPECT_FALSE(signalled(interruptEvent_)) << "not before the end";

  M716SimAdvance(0.1);
  EXPECT_EQ(block_.factors[0], 0);
  EXPECT_EQ(block_.factors[1], kDriveEnded);
  EXPECT_TRUE(signalled(interruptEvent_));
  EXPECT_TRUE(signalled(homeEvent_));
  command(kY, cmd::kSelect);
  EXPECT_EQ(in(6), 0) << "the driver read, and so cleared, the factor";
}

TEST_F(InterruptServiceTest, LaterFactorsAddToThePendingOnesAndSignalOnlyTheInterruptEvent) {
  writeMode(kY, 1, kDriveEnded << 8);
  fixedDrive(kY, 40);
  M716SimAdvance(0.2);
  ASSERT_EQ(block_.factors[1], kDriveEnded);
  platform::resetEvent(interruptEvent_);
  platform::resetEvent(homeEvent_);

  load(kX, 0x0B, 20);  // COMP+
  writeMode(kX, 1, kReachedCompPlus << 8);
  fixedDrive(kX, 40);
  M716SimAdvance(0.2);
  EXPECT_EQ(block_.factors[0], kReachedCompPlus);
  EXPECT_EQ(block_.factors[1], kDriveEnded) << "pending until the library takes it";
  EXPECT_TRUE(signalled(interruptEvent_));
  EXPECT_FALSE(signalled(homeEvent_));
}

TEST_F(InterruptServiceTest, UnregisteredBoardIsNoLongerServed) {
  ASSERT_EQ(callDriver(M716_DRIVER_UNREGISTER_BOARD), 0u);
  writeMode(kX, 1, kDriveEnded << 8);
  fixedDrive(kX, 40);
  M716SimAdvance(0.2);
  EXPECT_EQ(block_.factors[0], 0);
  command(kX, cmd::kSelect);
  EXPECT_EQ(in(6), kDriveEnded) << "still pending on the chip";
}

}  // namespace
}  // namespace m716::test
