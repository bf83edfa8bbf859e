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

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/board_table.h"
#include "device/chip.h"
#include "device/ports.h"
#include "device/registers.h"
#include "m716/platform/events.h"
#include "m716/platform/time.h"
#include "motion/drives.h"
#include "motion/speed_parameters.h"

namespace m716 {
namespace {

constexpr std::uint32_t kPollMs = 50;
constexpr auto kWorkerEndWait = std::chrono::seconds(3);

// RR1 end status: what stopped the last drive.
constexpr std::uint16_t kStoppedByIndex = 0x0100;  // IN0
constexpr std::uint16_t kStoppedByHome = 0x0800;   // IN3
constexpr std::uint16_t kStoppedByLimitPlus = 0x1000;
constexpr std::uint16_t kStoppedByLimitMinus = 0x2000;
constexpr std::uint16_t kStoppedByAlarm = 0x4000;
constexpr std::uint16_t kStoppedByEmergency = 0x8000;
constexpr std::uint16_t kAbortingCauses = 0xF000;
// The end status bits each search drive watches.
constexpr std::uint16_t kSwitchWatch = 0xF800;
constexpr std::uint16_t kIndexWatch = 0xF100;
constexpr std::uint16_t kLimitWatch = 0xF000;

constexpr std::uint32_t kIn0Input = 0x01, kIn3Input = 0x08;  // bits of an axis's input byte
constexpr std::uint32_t kIn0Logic = 0x01, kIn3Logic = 0x40;  // WR1 active-level bits
constexpr std::uint32_t kDriveEndInterrupt = 0x8000;         // WR1 enable of the drive end
constexpr std::uint32_t kSoftLimitEnables = 0x0003;          // WR2

// The searches of one board.
struct BoardSearches {
  std::atomic<std::uint8_t> active{0};  // the home-active mask
  std::array<std::atomic<std::uint8_t>, kAxisCount> stopRequested{};
  std::array<std::atomic<std::int32_t>, kAxisCount> results{};

  std::mutex workerMutex;  // guards workers and running
  std::condition_variable workerEnded;
  std::array<std::thread, kAxisCount> workers;
  std::array<bool, kAxisCount> running{};
};

void stopAndJoin(BoardSearches& searches);

// Every board's searches. Unloading the library stops them and waits for their workers, so no
// worker runs code that is gone.
struct SearchTable {
  std::array<BoardSearches, kBoardCount> boards;
  ~SearchTable() {
    for (BoardSearches& searches : boards) stopAndJoin(searches);
  }
};
SearchTable table;

void requestStop(BoardSearches& searches, std::uint32_t axes) {
  forEachAxis(axes & searches.active.load(),
              [&](std::uint32_t, std::uint32_t index) { searches.stopRequested[index] = 1; });
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

// One axis's search, run on its worker thread.
class HomeSearch {
 public:
  HomeSearch(std::uint32_t board, std::uint32_t mask)
      : board_(board),
        mask_(mask),
        index_(axisIndex(mask)),
        axis_(boards[board].axes[index_]),
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

  void command(std::uint16_t code) {
    writePortWord(board_, chip::WR0, chip::commandWord(mask_, code));
  }
  void loadMode(std::uint16_t port, std::uint32_t value) {
    command(chip::Select);
    writePortWord(board_, port, static_cast<std::uint16_t>(value));
  }
  void setResult(std::int32_t result) { searches_.results[index_] = result; }
  std::int32_t result() const { return searches_.results[index_]; }
  bool stopRequested() const { return searches_.stopRequested[index_] != 0; }

  // Loads the axis for its search: the mode registers its type needs, then the speeds.
  void loadAxis() {
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::Select);
      if (axis_.homeType <= 2) {
        writePortWord(board_, chip::WR1, static_cast<std::uint16_t>((axis_.wr1 & 0xFFC0) | 0x8080));
        writePortWord(board_, chip::WR2, static_cast<std::uint16_t>(axis_.wr2));
      } else if (axis_.homeType == 3) {
        writePortWord(board_, chip::WR2, static_cast<std::uint16_t>(axis_.wr2));
      } else {
        writePortWord(board_, chip::WR1,
                      static_cast<std::uint16_t>((axis_.wr1 & 0xFF7D) | kDriveEndInterrupt));
        writePortWord(board_, chip::WR2,
                      static_cast<std::uint16_t>(axis_.wr2 & ~kSoftLimitEnables));
      }
    }
    command(chip::HoldStart);
    axis_.dv = axis_.homeP0Speed;
    loadAxisForDrive(board_, mask_);
  }

  // Whether IN0 or IN3 of the axis is active now, with its configured level.
  bool inputActive(std::uint32_t inputBit, std::uint32_t logicBit) {
    std::uint32_t byte = readInputByte(board_, mask_);
    if (!(axis_.wr1 & logicBit)) byte = ~byte;
    return (byte & inputBit) != 0;
  }

  // Reads a status register of the axis; on failure the search aborts with that error.
  bool readStatus(std::uint16_t identifier, std::uint32_t& value) {
    if (std::uint32_t error = readRegister(board_, mask_, identifier, value)) {
      setResult(static_cast<std::int32_t>(error));
      abort();
      return false;
    }
    return true;
  }

  // Clears the axis's end status; on failure the search aborts with that error.
  bool clearEndStatus() {
    if (std::uint32_t error = M716MotClrErr(board_, mask_)) {
      setResult(static_cast<std::int32_t>(error));
      abort();
      return false;
    }
    return true;
  }

  // Stops the axis at once and takes it out of the search.
  void abort(bool leaveHomeMask = true) {
    if (leaveHomeMask) searches_.active &= static_cast<std::uint8_t>(~mask_);
    issueAxisCommand(board_, mask_, chip::LoadWR1);
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
    abort();
    return true;
  }

  void end() {
    issueAxisCommand(board_, mask_, chip::LoadWR1);
    issueAxisCommand(board_, mask_, chip::LoadWR2);
    M716MotClrErr(board_, mask_);
    searches_.active &= static_cast<std::uint8_t>(~mask_);
  }

  void resultFromStopCauses(std::uint16_t causes, bool limitSearch) {
    if (causes & kStoppedByEmergency) setResult(M716_ERR_HOME_EMERGENCY_STOP);
    if (!limitSearch && (causes & kStoppedByLimitMinus)) setResult(M716_ERR_HOME_LIMIT_MINUS);
    if (!limitSearch && (causes & kStoppedByLimitPlus)) setResult(M716_ERR_HOME_LIMIT_PLUS);
    if (causes & kStoppedByAlarm) setResult(M716_ERR_HOME_ALARM);
  }

  // Drives the axis continuously until one of the watched end causes stops it, the search
  // fails, or a stop is requested. `causes` receives the watched causes; false when the
  // search aborted on an error.
  bool searchDrive(bool negative, std::uint16_t watch, bool yield, std::uint16_t& causes) {
    const bool limitSearch = watch == kLimitWatch;
    if (!clearEndStatus()) return false;
    // Held, so the drive starts at the release: a release after the start would clear the end
    // status of a drive that stopped at once (an alarm, a limit already active).
    command(chip::HoldStart);
    command(negative ? chip::DriveContinuousMinus : chip::DriveContinuousPlus);
    command(chip::ReleaseStart);
    do {
      if (platform::waitEvent(boards[board_].homeEvent, kPollMs) == platform::WaitResult::signalled)
        platform::resetEvent(boards[board_].homeEvent);
      std::uint32_t status = 0;
      if (!readStatus(kRegStatus1, status)) return false;
      causes = static_cast<std::uint16_t>(status & watch);
      if (causes != 0) {
        // At a limit the limit search goes on to its offset move: the axis stays in the search.
        if (limitSearch)
          abort(false);
        else if (causes & kAbortingCauses)
          abort();
        resultFromStopCauses(causes, limitSearch);
      }
      if (yield) platform::sleepMs(0);
    } while (causes == 0 && result() == 0 && !stopRequested());
    return true;
  }

  // Phase 0: drive until the home input stops the axis.
  bool findHomeSwitch() {
    const bool alreadyActive = inputActive(kIn3Input, kIn3Logic);
    std::uint16_t causes = 0;
    if (!alreadyActive && !searchDrive(axis_.homeP0Dir == 1, kSwitchWatch, false, causes))
      return false;
    if (stopRequestedAborts()) return false;
    return alreadyActive || causes == kStoppedByHome;
  }

  // Phase 1: drive slowly until the home input goes inactive again.
  bool leaveHomeSwitch() {
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      loadSlowSpeed();
      command(chip::ReleaseStart);
      const bool activeHigh = axis_.wr1 & kIn3Logic;
      loadMode(chip::WR1,
               activeHigh ? (axis_.wr1 & 0xFF80) | 0x8080 : (axis_.wr1 & 0xFFC0) | 0x80C0);
    }
    if (!clearEndStatus() || stopRequestedAborts()) return false;
    std::uint16_t causes = 0;
    if (!searchDrive(axis_.homeP1Dir != 0, kSwitchWatch, true, causes)) return false;
    if (stopRequestedAborts()) return false;
    return causes == kStoppedByHome;
  }

  // Phase 2: drive slowly until the index input stops the axis.
  bool findIndex() {
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      loadMode(chip::WR1, (axis_.wr1 & 0xFF03) | 0x8002);
      loadSlowSpeed();
    }
    const bool alreadyActive = inputActive(kIn0Input, kIn0Logic);
    std::uint16_t causes = 0;
    if (!alreadyActive) {
      if (!clearEndStatus() || stopRequestedAborts()) return false;
      if (!searchDrive(axis_.homeP2Dir != 0, kIndexWatch, true, causes)) return false;
    }
    if (stopRequestedAborts()) return false;
    return alreadyActive || causes == kStoppedByIndex;
  }

  // Phases 1 and 2 run at HomeP1Speed.
  void loadSlowSpeed() {
    axis_.sv = axis_.homeP1Speed;
    writeWordCommand(
        board_, mask_, chip::SetDriveSpeed,
        static_cast<std::uint16_t>(speedRegister(axis_.homeP1Speed, axis_.multiplier)));
  }

  // Type 4: drive until a hardware limit stops the axis.
  bool findLimit() {
    std::uint32_t status = 0;
    if (!readStatus(kRegStatus1, status)) return false;
    if (status & (kStoppedByEmergency | kStoppedByAlarm)) {
      abort();
      setResult(status & kStoppedByEmergency ? M716_ERR_HOME_EMERGENCY_STOP : M716_ERR_HOME_ALARM);
      return false;
    }
    std::uint32_t limits = 0;
    if (!readStatus(kRegStatus2, limits)) return false;
    const bool atLimit = (limits & 0x0C) != 0;
    std::uint16_t causes = 0;
    const bool negative = axis_.homeP0Dir == 1;
    if (!atLimit && !searchDrive(negative, kLimitWatch, true, causes)) return false;
    if (stopRequestedAborts()) return false;
    if (!atLimit && causes != kStoppedByLimitPlus && causes != kStoppedByLimitMinus) return false;
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
    issueAxisCommand(board_, mask_, chip::LoadWR1);
    axis_.dv = axis_.homeOffsetSpeed;
    issueAxisCommand(board_, mask_, chip::SetDriveSpeed);
    command(chip::HoldStart);
    if (!clearEndStatus() || stopRequestedAborts()) return;
    {
      std::lock_guard lock(boardLock(board_));
      command(chip::HoldStart);
      issueAxisCommand(board_, mask_, chip::SetDriveSpeed);
      command(axis_.homeOffset >= 1 ? chip::DriveFixedPlus : chip::DriveFixedMinus);
      axis_.outputPulses = std::abs(axis_.homeOffset);
      issueAxisCommand(board_, mask_, chip::SetOutputPulses);
      command(chip::ReleaseStart);
    }
    while (checkAxesFree(board_, mask_) == M716_ERR_AXIS_BUSY && !stopRequested())
      platform::sleepMs(kPollMs);
    if (stopRequestedAborts()) return;
    M716MotWrReg(board_, mask_, kRegLogicalPosition, 0);
    M716MotWrReg(board_, mask_, kRegRealPosition, 0);
  }

  std::uint32_t board_, mask_, index_;
  AxisRecord& axis_;
  BoardSearches& searches_;
};

void markEnded(BoardSearches& searches, std::uint32_t index) {
  std::lock_guard lock(searches.workerMutex);
  searches.running[index] = false;
  searches.workerEnded.notify_all();
}

// Starts the axis's worker; false when no thread could be created.
bool startWorker(std::uint32_t board, std::uint32_t mask, std::uint32_t index) {
  BoardSearches& searches = table.boards[board];
  std::unique_lock lock(searches.workerMutex);
  // The previous search of the axis has left the home-active mask; let its worker finish.
  searches.workerEnded.wait(lock, [&] { return !searches.running[index]; });
  std::thread& worker = searches.workers[index];
  if (worker.joinable()) worker.join();
  searches.running[index] = true;
  auto thread = platform::startThread([board, mask, index] {
    HomeSearch(board, mask).run();
    markEnded(table.boards[board], index);
  });
  if (!thread) {
    searches.running[index] = false;
    return false;
  }
  worker = std::move(*thread);
  return true;
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
  forEachAxis(axes, [&](std::uint32_t mask, std::uint32_t index) {
    searches.results[index] = 0;
    searches.stopRequested[index] = 0;
    searches.active |= static_cast<std::uint8_t>(mask);
    if (startWorker(board, mask, index)) {
      platform::sleepMs(kPollMs);
    } else {
      searches.active &= static_cast<std::uint8_t>(~mask);
      searches.results[index] = M716_ERR_CREATE_THREAD;
    }
  });
  return M716_OK;
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
  if (std::uint32_t error = checkAxisSelection(board, axes)) return error;
  return startHomeSearches(board, axes);
}

extern "C" KRVM716_API uint32_t M716MotHomeStatus(uint32_t board, uint32_t axis, int32_t* result) {
  if (std::uint32_t error = checkOneAxis(board, axis)) return error;
  if (result == nullptr) return M716_ERR_PARAMETER_INVALID;
  const BoardSearches& searches = table.boards[board];
  const std::uint32_t index = axisIndex(axis);
  *result = (searches.active.load() & axis) ? M716_ERR_IN_HOME : searches.results[index].load();
  return M716_OK;
}
