// Unloading the motion library while a home search runs: the search is stopped and its worker
// ends before the library's code goes away.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "installed_board.h"
#include "m716sim.h"

namespace m716::test {
namespace {

using Call1 = std::uint32_t (*)(std::uint32_t);
using Call2 = std::uint32_t (*)(std::uint32_t, std::uint32_t);

class UnloadTest : public InstalledBoardTest {};

TEST_F(UnloadTest, UnloadingTheLibraryEndsItsHomeSearches) {
  void* library = ::dlopen(KRVM716_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto open = reinterpret_cast<Call1>(::dlsym(library, "M716MotDevOpen"));
  auto home = reinterpret_cast<Call2>(::dlsym(library, "M716MotHome"));
  ASSERT_TRUE(open && home);

  M716SimSetSpeedFactor(1);
  ASSERT_EQ(open(0), 0u);
  ASSERT_EQ(home(0, 1), 0u);  // towards the home switch, 10 000 pulses away
  ASSERT_EQ(::dlclose(library), 0);
  ASSERT_EQ(::dlopen(KRVM716_FILE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";

  // The search was stopped: the carriage stands still.
  const std::int32_t stoppedAt = M716SimMachinePosition(0x300, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(M716SimMachinePosition(0x300, 1), stoppedAt);
  EXPECT_GT(stoppedAt, -10'000);
}

}  // namespace
}  // namespace m716::test
