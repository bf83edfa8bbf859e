#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "m716/platform/locks.h"
#include "m716/platform/ownership.h"
#include "m716/platform/registry.h"
#include "m716/platform/time.h"
#include "support/temp_registry.h"

namespace m716::platform {
namespace {

TEST(BusLock, OneRecursiveLockPerBaseAddress) {
  BusLock& board = busLock(0x300);
  EXPECT_EQ(&busLock(0x300), &board);
  EXPECT_NE(&busLock(0x310), &board);

  std::lock_guard outer(board);
  std::lock_guard inner(busLock(0x300));
  bool otherThreadGotIt = true;
  std::thread([&] { otherThreadGotIt = board.try_lock(); }).join();
  EXPECT_FALSE(otherThreadGotIt);
}

TEST(BusLock, ThreadsLookingUpANewAddressTogetherGetOneLock) {
  std::vector<BusLock*> seen(8);
  std::atomic<bool> go = false;
  std::vector<std::thread> threads;
  for (auto& slot : seen) {
    threads.emplace_back([&go, &slot] {
      while (!go) std::this_thread::yield();
      slot = &busLock(0x2C0);
    });
  }
  go = true;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(std::set<BusLock*>(seen.begin(), seen.end()).size(), 1u);
}

TEST(OwnershipMark, OneHolderOfANameAtATimeInAFileBesideTheStore) {
  test::TempRegistry store;
  OwnershipMark first, second, other;
  EXPECT_EQ(first.take("Board000", MarkMode::exclusive), MarkStatus::taken);
  EXPECT_EQ(first.take("Board000", MarkMode::shared), MarkStatus::taken);  // held already
  EXPECT_EQ(second.take("Board000", MarkMode::exclusive), MarkStatus::heldElsewhere);
  EXPECT_FALSE(second.held());
  EXPECT_EQ(other.take("Board001", MarkMode::exclusive), MarkStatus::taken);
  EXPECT_TRUE(std::filesystem::exists(store.file() + ".Board000.lock"));
  EXPECT_EQ(std::filesystem::status(store.file() + ".Board000.lock").permissions() &
                std::filesystem::perms::group_write,
            std::filesystem::perms::group_write);
  first.release();
  EXPECT_EQ(second.take("Board000", MarkMode::exclusive), MarkStatus::taken);
}

// Any number of holders share a mark; an exclusive one is refused while any of them has it.
TEST(OwnershipMark, SharedByManyExclusiveByNoneOfThem) {
  test::TempRegistry store;
  OwnershipMark first, second, trying;
  EXPECT_EQ(first.take("Board000", MarkMode::shared), MarkStatus::taken);
  EXPECT_EQ(second.take("Board000", MarkMode::shared), MarkStatus::taken);
  for (OwnershipMark* leaving : {&first, &second}) {
    EXPECT_EQ(trying.take("Board000", MarkMode::exclusive), MarkStatus::heldElsewhere);
    leaving->release();
  }
  EXPECT_EQ(trying.take("Board000", MarkMode::exclusive), MarkStatus::taken);
}

TEST(OwnershipMark, NoMarkWhereItsFileCannotBeMade) {
  test::TempRegistry store;
  const auto file = store.folder() / "file";
  std::ofstream(file) << "not a folder";
  useRegistryFile((file / "registry.db").string());
  OwnershipMark mark;
  EXPECT_EQ(mark.take("Board000", MarkMode::shared), MarkStatus::unavailable);
  EXPECT_FALSE(mark.held());
}

TEST(Time, TickCountFollowsSleeps) {
  const std::uint32_t start = tickCount();
  sleepMs(25);
  const std::uint32_t elapsed = tickCount() - start;
  EXPECT_GE(elapsed, 25u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(Time, StartedThreadRunsItsBody) {
  bool ran = false;
  auto thread = startThread([&] { ran = true; });
  ASSERT_TRUE(thread.has_value());
  thread->join();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace m716::platform
