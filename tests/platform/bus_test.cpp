#include "m716/platform/bus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "support/recording_bus.h"

namespace m716::platform {
namespace {

using Access = RecordingBus::Access;
using ::testing::ElementsAre;

TEST(RecordingBus, RecordsAccessesInOrderAndPassesThemOn) {
  RecordingBus board;
  board.answerReads(0x302, 0x0015);
  RecordingBus recorder(&board);

  recorder.write(0x30C, 0x0300);
  recorder.write(0x300, 0x0100);
  EXPECT_EQ(recorder.read(0x302), 0x0015);
  recorder.write(0x30C, 0x0000);

  EXPECT_THAT(recorder.accesses(),
              ElementsAre(Access{true, 0x30C, 0x0300}, Access{true, 0x300, 0x0100},
                          Access{false, 0x302, 0x0015}, Access{true, 0x30C, 0x0000}));
  EXPECT_THAT(recorder.writesTo(0x30C), ElementsAre(0x0300, 0x0000));
  EXPECT_EQ(recorder.writes().size(), 3u);
  EXPECT_EQ(board.writes(), recorder.writes());
  recorder.clear();
  EXPECT_TRUE(recorder.accesses().empty());
}

TEST(RecordingBus, WithoutInnerBusUnscriptedPortsReadAsNoDevice) {
  RecordingBus recorder;
  recorder.answerReads(0x300, 1);
  recorder.answerReads(0x300, 2);
  EXPECT_EQ(recorder.read(0x300), 2);
  EXPECT_EQ(recorder.read(0x302), 0xFFFF);
}

// Interrupt handlers use the bus from a thread of their own.
TEST(RecordingBus, RecordsEveryAccessOfConcurrentThreads) {
  RecordingBus recorder;
  constexpr int kWrites = 2000;
  std::thread other([&] {
    for (int i = 0; i < kWrites; ++i) recorder.write(0x310, static_cast<std::uint16_t>(i));
  });
  for (int i = 0; i < kWrites; ++i) recorder.read(0x300);
  other.join();
  EXPECT_EQ(recorder.accesses().size(), 2u * kWrites);
  EXPECT_EQ(recorder.writesTo(0x310).size(), static_cast<std::size_t>(kWrites));
}

TEST(Bus, ReplacementTakesOverUntilRemoved) {
  RecordingBus recorder;
  useBus(&recorder);
  bus().write(0x300, 7);
  EXPECT_EQ(&bus(), &recorder);
  useBus(nullptr);
  EXPECT_NE(&bus(), &recorder);
  EXPECT_THAT(recorder.writesTo(0x300), ElementsAre(7));
}

TEST(Bus, PortsBeyondTheSixteenBitSpaceDoNotExist) {
  bus().write(0x10300, 0x1234);
  EXPECT_EQ(bus().read(0x10300), 0xFFFF);
  EXPECT_EQ(bus().read(0xFFFFFFFF), 0xFFFF);
}

}  // namespace
}  // namespace m716::platform
