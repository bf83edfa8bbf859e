// Home search: M716MotHome starts one worker per axis; M716MotHomeStatus hands out the result.

#include "motion/home_search.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_events.h"
#include "device/board_table.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/interrupt_factors.h"
#include "device/ports.h"
#include "device/registers.h"
#include "m716/platform/events.h"
#include "m716/platform/time.h"
#include "motion/drives.h"

namespace m716 {
namespace {

constexpr std::uint32_t kPollMs = 50;
constexpr auto kWorkerEndWait = std::chrono::seconds(3);

namespace rr1 = chip::rr1;
namespace wr1 = chip::wr1;

// End causes that end a search drive whatever it looks for.
constexpr std::uint16_t kAbortingCauses = rr1::StoppedByLimitPlus | rr1::StoppedByLimitMinus |
                                          rr1::StoppedByAlarm | rr1::StoppedByEmergency;
// The end status bits each search drive watches.
constexpr std::uint16_t kSwitchWatch = kAbortingCauses | rr1::StoppedByIn3;
constexpr std::uint16_t kIndexWatch = kAbortingCauses | rr1::StoppedByIn0;
constexpr std::uint16_t kLimitWatch = kAbortingCauses;

// What the search drives force in WR1 over its shadow: the drive end interrupts, so the worker
// wakes when a search drive ends, and the inputs a drive does not look for neither stop it nor
// keep their levels.
constexpr std::uint16_t kIn0To2 =
    wr1::In0High | wr1::In0Stops | wr1::In1High | wr1::In1Stops | wr1::In2High | wr1::In2Stops;
constexpr std::uint16_t kIn1To3 =
    wr1::In1High | wr1::In1Stops | wr1::In2High | wr1::In2Stops | wr1::In3High | wr1::In3Stops;
// Finding the home switch: IN3 stops the drive at the level in `wr1`.
constexpr SearchBits switchSearchBits(std::uint32_t wr1) {
  const auto level = static_cast<std::uint16_t>(wr1 & wr1::In3High);
  return {static_cast<std::uint16_t>(wr1::In3Stops | wr1::DriveEndInterrupt | level),
          kIn0To2 | wr1::In3High};
}
// Leaving it: IN3 stops the drive at the opposite level, where the switch is left.
constexpr SearchBits switchLeaveBits(std::uint32_t wr1) {
  return switchSearchBits(wr1 ^ wr1::In3High);
}
// Finding the index: IN0 stops the drive at the level in `wr1`.
constexpr SearchBits indexSearchBits(std::uint32_t wr1) {
  const auto level = static_cast<std::uint16_t>(wr1 & wr1::In0High);
  return {static_cast<std::uint16_t>(wr1::In0Stops | wr1::DriveEndInterrupt | level),
          kIn1To3 | wr1::In0High};
}
// Finding a limit: neither the index nor the home input stops the drive, nor do the software
// limits.
constexpr SearchBits kLimitSearchWr1{wr1::DriveEndInterrupt, wr1::In0Stops | wr1::In3Stops};
constexpr SearchBits kLimitSearchWr2{0, chip::wr2::SoftLimits};

enum class Direction { plus, minus };
constexpr Direction directionOf(bool negative) {
  return negative ? Direction::minus : Direction::plus;
}
// The home result of a limit met while moving in `direction`.
constexpr std::int32_t limitCodeOf(Direction direction) {
  return direction == Direction::plus ? M716_ERR_HOME_LIMIT_PLUS : M716_ERR_HOME_LIMIT_MINUS;
}
// Whether a search drive's wait loop also yields the processor between its polls.
enum class Pace { polling, yielding };

// The searches of one board.
struct BoardSearches {
  std::atomic<std::uint8_t> active{0};  // the home-active mask
  std::array<std::atomic<std::uint8_t>, kAxisCount> stopRequested{};
  std::array<std::atomic<std::int32_t>, kAxisCount> results{};
  // Set with each stop request, so the axis's worker wakes at once, not at its next poll.
  std::array<platform::EventHandle, kAxisCount> wakes{};

  std::mutex workerMutex;  // guards workers and running
  std::condition_variable workerEnded;
  std::array<std::thread, kAxisCount> workers;
  std::array<bool, kAxisCount> running{};

  BoardSearches() {
    for (platform::EventHandle& wake : wakes) wake = platform::createEvent({}, false, false);
  }
  // The wakes of the workers that ended; one let go still running keeps its own.
  void closeWakes() {
    std::lock_guard lock(workerMutex);
    for (std::uint32_t index = 0; index < kAxisCount; ++index)
      if (!running[index]) platform::closeEvent(std::exchange(wakes[index], nullptr));
  }
};

void stopAndJoin(BoardSearches& searches);

// Every board's searches. Unloading the library stops them and waits for their workers, so no
// worker runs code that is gone.
struct SearchTable {
  std::array<BoardSearches, kBoardCount> boards;
  ~SearchTable() {
    for (BoardSearches& searches : boards) {
      stopAndJoin(searches);
      searches.closeWakes();
    }
  }
};
SearchTable table;

void requestStop(BoardSearches& searches, std::uint32_t axes) {
  forEachAxis(axes & searches.active.load(), [&](std::uint32_t, std::uint32_t index) {
    searches.stopRequested[index] = 1;
    platform::setEvent(searches.wakes[index]);
  });
}

void stopAndJoin(BoardSearches& searches) {
  requestStop(searches, kAllAxes);
  std::unique_lock lock(searches.workerMutex);
  searches.workerEnded.wait_for(lock, kWorkerEndWait, [&] {
    return std::none_of(searches.running.begin(), searches.running.end(),
                        [](bool running) { return running; });
  });
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    std::thread& worker = searches.workers[index];
    if (!worker.joinable()) continue;
    // A worker still running after the wait ends on its own; it is let go rather than joined.
    if (searches.running[index])
      worker.detach();
    else
      worker.join();
  }
}

// One axis's search, run on its worker thread. It works from its own copy of the axis's record,
// taken when it started, so the application may change the record meanwhile; what it shares
// with the application (the bits it forces, the range in force, the working speeds it leaves)
// it writes under the board's bus lock.
class HomeSearch {
 public:
  HomeSearch(std::uint32_t board, std::uint32_t mask, const AxisRecord& axis)
      : board_(board),
        mask_(mask),
        index_(axisIndex(mask)),
        axis_(axis),
        searches_(table.boards[board]) {}

  void run() {
    loadAxis();
    if (runPhases()) moveOffset();
    end();
  }

 private:
  // The phases before the offset move; false when the search ended early.
  bool runPhases() {
    switch (axis_.homeType) {
      case 0:
        return findHomeSwitch() && leaveHomeSwitch() && findIndex();
      case 1:
        return findHomeSwitch();
      case 2:
        return findHomeSwitch() && leaveHomeSwitch();
      case 3:
        return findIndex();
      default:
        return findLimit();
    }
  }

  // Under the bus lock, so no command comes between the words of the application's groups.
  void command(std::uint16_t code) {
    std::lock_guard lock(boardLock(board_));
    writeCommand(board_, mask_, code);
  }
  // Loads WR1 or WR2 with the bits the search forces over its shadow; {} loads the shadow.
  void forceWr1(SearchBits bits) { force(&AxisRecord::searchWr1, bits, LoadWR1); }
  void forceWr2(SearchBits bits) { force(&AxisRecord::searchWr2, bits, LoadWR2); }
  void force(SearchBits AxisRecord::*forced, SearchBits bits, std::uint16_t load) {
    std::lock_guard lock(boardLock(board_));
    boards[board_].axes[index_].*forced = bits;
    issueAxisCommand(board_, mask_, load);
  }
  void setResult(std::int32_t result) { searches_.results[index_] = result; }
  std::int32_t result() const { return searches_.results[index_]; }
  bool stopRequested() const { return searches_.stopRequested[index_] != 0; }

  // Waits up to one poll for the board's home event (a search drive ended) or a stop request.
  void waitForWake() { waitHomeEvent(board_, searches_.wakes[index_], kPollMs); }

  // Loads the axis for its search: the mode registers its type needs, then the speeds.
  void loadAxis() {
    {
      std::lock_guard lock(boardLock(board_));
      if (axis_.homeType <= 2) {
        forceWr1(switchSearchBits(axis_.wr1));
        forceWr2({});
      } else if (axis_.homeType == 3) {
        forceWr2({});
      } else {
        forceWr1(kLimitSearchWr1);
        forceWr2(kLimitSearchWr2);
      }
    }
    command(chip::HoldStart);
    axis_.dv = axis_.homeP0Speed;
    loadAxisForDrive(board_, mask_, axis_);
  }

  // Whether IN0 or IN3 of the axis is active now, with its configured level.
  bool inputActive(std::uint32_t inputBit, std::uint32_t logicBit) {
    std::uint32_t byte = readInputByte(board_, mask_);
    if (!(axis_.wr1 & logicBit)) byte = ~byte;
    return (byte & inputBit) != 0;
  }

  // Reads a register of the axis; on failure the search aborts with that error.
  bool readOrAbort(std::uint16_t identifier, std::uint32_t& value) {
    if (std::uint32_t error = readRegister(board_, mask_, identifier, value)) {
      setResult(static_cast<std::int32_t>(error));
      stopAxis();
      return false;
    }
    return true;
  }

  // Clears the axis's end status; on failure the search aborts with that error.
  bool clearEndStatus() {
    if (std::uint32_t error = M716MotClrErr(board_, mask_)) {
      setResult(static_cast<std::int32_t>(error));
      stopAxis();
      return false;
    }
    return true;
  }

  // Stops the axis at once. The axis stays in the search until the worker's end.
  void stopAxis() {
    forceWr1({});
    if (std::uint32_t error = M716MotClrErr(board_, mask_))
      setResult(static_cast<std::int32_t>(error));
    std::lock_guard lock(boardLock(board_));
    command(chip::HoldStart);
    command(chip::StopSudden);
    command(chip::ReleaseStart);
  }

  bool stopRequestedAborts() {
    if (!stopRequested()) return false;
    setResult(M716_ERR_HOME_STOPPED);
    stopAxis();
    return true;
  }

  // Every search ends here, however it went; the worker then leaves the home-active mask.
  void end() {
    forceWr1({});
    forceWr2({});
    leaveWorkingSpeeds();
    M716MotClrErr(board_, mask_);
    dropUnaskedDriveEnd();
  }

  // The search's own drive ends are not the application's, unless it enabled Drive End.
  void dropUnaskedDriveEnd() {
    std::lock_guard lock(boardLock(board_));
    if (!(boards[board_].axes[index_].wr1 & wr1::DriveEndInterrupt))
      dropPendingFactors(board_, mask_, chip::rr3::DriveEnded);
  }

  // The axis keeps the drive speed the search last loaded, and the start speed of its slow
  // phases when they ran, as the working speeds of the next continuous drive.
  void leaveWorkingSpeeds() {
    std::lock_guard lock(boardLock(board_));
    AxisRecord& shared = boards[board_].axes[index_];
    shared.dv = axis_.dv;
    if (slowSpeedLoaded_) shared.sv = axis_.sv;
  }

  void resultFromStopCauses(std::uint16_t causes, bool limitSearch) {
    if (causes & rr1::StoppedByEmergency) setResult(M716_ERR_HOME_EMERGENCY_STOP);
    if (!limitSearch && (causes & rr1::StoppedByLimitMinus)) setResult(M716_ERR_HOME_LIMIT_MINUS);
    if (!limitSearch && (causes & rr1::StoppedByLimitPlus)) setResult(M716_ERR_HOME_LIMIT_PLUS);
    if (causes & rr1::StoppedByAlarm) setResult(M716_ERR_HOME_ALARM);
  }

  // Drives the axis continuously until one of the watched end causes stops it, the drive ends
  // without any of them, the search fails, or a stop is requested. `causes` receives the
  // watched causes; false when the search aborted on an error.
  bool searchDrive(Direction direction, std::uint16_t watch, Pace pace, std::uint16_t& causes) {
    if (!clearEndStatus()) return false;
    // Held, so the drive starts at the release: a release after the start would clear the end
    // status of a drive that stopped at once (an alarm, a limit already active).
    command(chip::HoldStart);
    command(direction == Direction::minus ? chip::DriveContinuousMinus : chip::DriveContinuousPlus);
    command(chip::ReleaseStart);
    bool ended = false;
    do {
      waitForWake();
      // RR0 before RR1: a drive that ends in between shows its cause in RR1.
      ended = (drivingAxes(board_) & mask_) == 0;
      std::uint32_t status = 0;
      if (!readOrAbort(M716_REG_STATUS1, status)) return false;
      causes = static_cast<std::uint16_t>(status & watch);
      if (causes != 0)
        endOnCauses(causes, watch == kLimitWatch);
      else if (ended)
        endWithoutCause(direction);
      if (pace == Pace::yielding) platform::sleepMs(0);
    } while (causes == 0 && !ended && result() == 0 && !stopRequested());
    return true;
  }

  void endOnCauses(std::uint16_t causes, bool limitSearch) {
    // At a limit the limit search goes on to its offset move.
    if (limitSearch || (causes & kAbortingCauses)) stopAxis();
    resultFromStopCauses(causes, limitSearch);
  }

  // A search drive that ended without an end status of its own: a software limit stopped it,
  // or a stop the search did not give. Either way the search did not find what it looked for.
  void endWithoutCause(Direction direction) {
    setResult(limitCodeOf(direction));
    stopAxis();
  }

  // Phase 0: drive until the home input stops the axis.
  bool findHomeSwitch() {
    const bool alreadyActive = inputActive(chip::input::In3, wr1::In3High);
    std::uint16_t causes = 0;
    if (!alreadyActive &&
        !searchDrive(directionOf(axis_.homeP0Dir == 1), kSwitchWatch, Pace::polling, causes))
      return false;
    if (stopRequestedAborts()) return false;
    return alreadyActive || causes == rr1::StoppedByIn3;
  }

  // Phase 1: drive slowly until the home input goes inactive again.
  bool leaveHomeSwitch() {
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      loadSlowSpeed();
      command(chip::ReleaseStart);
      forceWr1(switchLeaveBits(axis_.wr1));
    }
    if (!clearEndStatus() || stopRequestedAborts()) return false;
    std::uint16_t causes = 0;
    if (!searchDrive(directionOf(axis_.homeP1Dir != 0), kSwitchWatch, Pace::yielding, causes))
      return false;
    if (stopRequestedAborts()) return false;
    return causes == rr1::StoppedByIn3;
  }

  // Phase 2: drive slowly until the index input stops the axis.
  bool findIndex() {
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      forceWr1(indexSearchBits(axis_.wr1));
      loadSlowSpeed();
    }
    const bool alreadyActive = inputActive(chip::input::In0, wr1::In0High);
    std::uint16_t causes = 0;
    if (!alreadyActive) {
      if (!clearEndStatus() || stopRequestedAborts()) return false;
      if (!searchDrive(directionOf(axis_.homeP2Dir != 0), kIndexWatch, Pace::yielding, causes))
        return false;
    }
    if (stopRequestedAborts()) return false;
    return alreadyActive || causes == rr1::StoppedByIn0;
  }

  // Phases 1 and 2 run at HomeP1Speed.
  void loadSlowSpeed() {
    axis_.sv = axis_.homeP1Speed;
    slowSpeedLoaded_ = true;
    writeWordCommand(
        board_, mask_, chip::SetDriveSpeed,
        static_cast<std::uint16_t>(speedRegister(axis_.homeP1Speed, axis_.multiplier)));
  }

  // Type 4: drive until a hardware limit stops the axis.
  // What counts is what is active now (RR2), not the end status of an earlier drive, and only
  // the limit the search drives towards.
  bool findLimit() {
    namespace rr2 = chip::rr2;
    std::uint32_t active = 0;
    if (!readOrAbort(M716_REG_STATUS2, active)) return false;
    if (active & (rr2::Emergency | rr2::Alarm)) {
      stopAxis();
      setResult(active & rr2::Emergency ? M716_ERR_HOME_EMERGENCY_STOP : M716_ERR_HOME_ALARM);
      return false;
    }
    const bool negative = axis_.homeP0Dir == 1;
    const bool atLimit = (active & (negative ? rr2::LimitMinus : rr2::LimitPlus)) != 0;
    std::uint16_t causes = 0;
    if (!atLimit && !searchDrive(directionOf(negative), kLimitWatch, Pace::yielding, causes))
      return false;
    if (stopRequestedAborts()) return false;
    if (!atLimit && causes != rr1::StoppedByLimitPlus && causes != rr1::StoppedByLimitMinus)
      return false;
    // An offset pointing back into the limit just found cannot be moved.
    if (!negative && axis_.homeOffset > 0) {
      setResult(M716_ERR_PARAMETER_OVER);
      return false;
    }
    if (negative && axis_.homeOffset < 0) {
      setResult(M716_ERR_PARAMETER_UNDER);
      return false;
    }
    return true;
  }

  // Phase 3: move the offset, then set both counters to 0.
  void moveOffset() {
    forceWr1({});
    axis_.dv = axis_.homeOffsetSpeed;
    issueAxisCommand(board_, mask_, chip::SetDriveSpeed, axis_);
    command(chip::HoldStart);
    std::uint32_t from = 0;
    if (!clearEndStatus() || stopRequestedAborts() || !readOrAbort(M716_REG_LOGICAL_POSITION, from))
      return;
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      issueAxisCommand(board_, mask_, chip::SetDriveSpeed, axis_);
      command(offsetDirection() == Direction::plus ? chip::DriveFixedPlus : chip::DriveFixedMinus);
      axis_.outputPulses = std::abs(axis_.homeOffset);
      issueAxisCommand(board_, mask_, chip::SetOutputPulses, axis_);
      command(chip::ReleaseStart);
    }
    while ((drivingAxes(board_) & mask_) && !stopRequested()) waitForWake();
    if (stopRequestedAborts() || !offsetMoved(from)) return;
    M716MotWrReg(board_, mask_, M716_REG_LOGICAL_POSITION, 0);
    M716MotWrReg(board_, mask_, M716_REG_REAL_POSITION, 0);
  }

  // A HomeOffset of 0 moves 0 pulses in the negative direction.
  Direction offsetDirection() const {
    return axis_.homeOffset >= 1 ? Direction::plus : Direction::minus;
  }

  // Whether the offset move went its whole way from the logical position `from`; if not, the
  // result tells what stopped it: a limit, the alarm, the emergency stop, else (a software
  // limit, a stop the search did not give) the limit of its direction.
  bool offsetMoved(std::uint32_t from) {
    std::uint32_t status = 0, to = 0;
    if (!readOrAbort(M716_REG_STATUS1, status) || !readOrAbort(M716_REG_LOGICAL_POSITION, to))
      return false;
    // Counted as the chip counts: a 32-bit counter that wraps around.
    if (to - from == static_cast<std::uint32_t>(axis_.homeOffset)) return true;
    const auto causes = static_cast<std::uint16_t>(status & kAbortingCauses);
    if (causes != 0)
      resultFromStopCauses(causes, false);
    else
      setResult(limitCodeOf(offsetDirection()));
    return false;
  }

  std::uint32_t board_, mask_, index_;
  AxisRecord axis_;  // the search's own copy
  BoardSearches& searches_;
  bool slowSpeedLoaded_ = false;
};

// The worker's last step: the axis leaves the home-active mask only once its search has done
// everything, so a search started after this one owns the axis alone.
void markEnded(BoardSearches& searches, std::uint32_t mask, std::uint32_t index) {
  std::lock_guard lock(searches.workerMutex);
  searches.running[index] = false;
  searches.active &= static_cast<std::uint8_t>(~mask);
  searches.workerEnded.notify_all();
}

// Puts the axis into the home-active mask and starts its worker: 0, 26 when a search of the
// axis still runs, 35 when no thread could be created.
std::uint32_t startWorker(std::uint32_t board, std::uint32_t mask, std::uint32_t index) {
  BoardSearches& searches = table.boards[board];
  std::lock_guard lock(searches.workerMutex);
  if (searches.running[index]) return M716_ERR_IN_HOME;
  // A worker that is not running has marked its end and has only to return.
  std::thread& worker = searches.workers[index];
  if (worker.joinable()) worker.join();
  searches.results[index] = 0;
  searches.stopRequested[index] = 0;
  platform::resetEvent(searches.wakes[index]);
  searches.running[index] = true;
  searches.active |= static_cast<std::uint8_t>(mask);
  auto thread = platform::startThread([board, mask, index, axis = axisCopy(board, index)] {
    HomeSearch(board, mask, axis).run();
    markEnded(table.boards[board], mask, index);
  });
  if (!thread) {
    searches.running[index] = false;
    searches.active &= static_cast<std::uint8_t>(~mask);
    searches.results[index] = M716_ERR_CREATE_THREAD;
    return M716_ERR_CREATE_THREAD;
  }
  worker = std::move(*thread);
  return M716_OK;
}

// Values the search would load into the chip must fit its registers, and the offset must be
// a move the chip can make. 0, 12, 13, 20, 29 or a speed check's code.
std::uint32_t checkHomeParameters(const AxisRecord& axis) {
  if (axis.homeType > 4) return M716_ERR_VALUE_OVER;
  if (std::uint32_t error = checkDriveSpeeds(axis, {axis.sv, axis.homeP0Speed, axis.ac, axis.ak}))
    return error;
  for (std::uint32_t speed : {axis.homeP1Speed, axis.homeOffsetSpeed})
    if (std::uint32_t error =
            fitError(speedFit(speed, axis.multiplier), M716_ERR_DV_UNDER, M716_ERR_DV_OVER))
      return error;
  if (std::llabs(axis.homeOffset) > chip::kMaxDistance) return M716_ERR_DISTANCE;
  return M716_OK;
}

std::uint32_t startHomeSearches(std::uint32_t board, std::uint32_t axes) {
  BoardSearches& searches = table.boards[board];
  if (searches.active.load() & axes) return M716_ERR_IN_HOME;
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  std::uint32_t error = M716_OK;
  forEachAxis(axes, [&](std::uint32_t, std::uint32_t index) {
    if (error == M716_OK) error = checkHomeParameters(boards[board].axes[index]);
  });
  if (error != M716_OK) return error;
  // A search that cannot start for want of a thread keeps 35 as its result; one whose axis a
  // concurrent start took first is refused with 26.
  std::uint32_t refused = M716_OK;
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    const std::uint32_t started = startWorker(board, mask, index);
    if (started == M716_OK) platform::sleepMs(kPollMs);
    if (started == M716_ERR_IN_HOME) refused = started;
  });
  return refused;
}

}  // namespace

std::uint32_t homeSearchAxes(std::uint32_t board) {
  return table.boards[board].active.load();
}

void requestHomeStop(std::uint32_t board, std::uint32_t axes) {
  requestStop(table.boards[board], axes);
}

void stopHomeSearches(std::uint32_t board) {
  stopAndJoin(table.boards[board]);
}

}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotHome(uint32_t board, uint32_t axes) {
  return guarded(M716_ERR_CREATE_THREAD, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckAxisSelection(board, axes)) return error;
    return startHomeSearches(board, axes);
  });
}

extern "C" KRVM716_API uint32_t M716MotHomeStatus(uint32_t board, uint32_t axis, int32_t* result) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckOneAxis(board, axis)) return error;
    if (result == nullptr) return M716_ERR_PARAMETER_INVALID;
    const BoardSearches& searches = table.boards[board];
    const std::uint32_t index = axisIndex(axis);
    *result = (searches.active.load() & axis) ? M716_ERR_IN_HOME : searches.results[index].load();
    return M716_OK;
  });
}
