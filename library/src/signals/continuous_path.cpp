// Continuous interpolated paths: the 256 buffers their points are stored in, the start of a
// buffer's list on a board, which hands it to the interrupt driver, and the progress readout.

#include <array>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/driver_link.h"
#include "device/guarded.h"
#include "device/path_state.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"
#include "motion/path_loading.h"

namespace m716 {
namespace {

constexpr std::uint32_t kBufferCount = 256;
constexpr std::uint32_t kMinCapacity = 2;
constexpr std::uint32_t kPointValues = 5;
constexpr std::uint32_t kAxisX = 1;

struct FreeBlock {
  void operator()(M716ContiRecord* block) const { std::free(block); }
};

// The buffer table is not locked: a buffer is filled by one thread. The driver reads a block
// only while a path started from it runs, and then the calls below refuse to touch it.
struct ContiBuffer {
  std::unique_ptr<M716ContiRecord[], FreeBlock> records;
  std::uint32_t capacity = 0;
  bool empty = true;
  std::uint32_t lastIndex = 0;
};

// Made at first use and never destroyed: the driver may still read a running path's records
// while the process ends or the library is unloaded.
ContiBuffer& bufferAt(std::uint32_t number) {
  static auto* table = new std::array<ContiBuffer, kBufferCount>;
  return (*table)[number & 0xFF];
}

bool inUse(const ContiBuffer& buffer) {
  return buffer.records != nullptr && continuousPathReading(buffer.records.get());
}

std::uint32_t allocate(ContiBuffer& buffer, std::uint32_t capacity) {
  if (capacity < kMinCapacity) return M716_ERR_PARAMETER_INVALID;
  if (inUse(buffer)) return M716_ERR_AXIS_BUSY;
  if (buffer.records != nullptr) return M716_ERR_BUFFER_ALLOCATED;
  if (std::uint64_t{capacity} * sizeof(M716ContiRecord) > UINT32_MAX)
    return M716_ERR_BUFFER_ALLOCATE;
  // Zero-filled, as the point checks expect of records never stored.
  buffer.records.reset(
      static_cast<M716ContiRecord*>(std::calloc(capacity, sizeof(M716ContiRecord))));
  if (buffer.records == nullptr) return M716_ERR_BUFFER_ALLOCATE;
  buffer.capacity = capacity;
  buffer.empty = true;
  buffer.lastIndex = 0;
  return M716_OK;
}

std::uint32_t release(ContiBuffer& buffer) {
  if (buffer.records == nullptr) return M716_ERR_BUFFER_HANDLE;
  if (inUse(buffer)) return M716_ERR_AXIS_BUSY;
  buffer = ContiBuffer{};
  return M716_OK;
}

bool isPathType(std::uint16_t type) {
  return type == IPO_L2 || type == IPO_L3 || type == IPO_CW || type == IPO_CCW;
}
bool isArc(std::uint16_t type) {
  return type == IPO_CW || type == IPO_CCW;
}
// Lines of three axes form the odd group; they mix with no other type.
std::uint16_t groupOf(std::uint16_t type) {
  return type & 1;
}

// The values the segment loads each fit the finish point or center register.
bool valuesFit(const M716ContiPoint& point) {
  const bool used[kPointValues] = {true, true, point.pathType == IPO_L3, isArc(point.pathType),
                                   isArc(point.pathType)};
  for (std::uint32_t k = 0; k < kPointValues; ++k)
    if (used[k] && std::llabs(point.value[k]) > chip::kMaxPathOffset) return false;
  return true;
}

// Only the record before the point is examined: points are stored 1, 2, 3 … without gaps.
std::uint32_t checkSuccessor(const ContiBuffer& buffer, const M716ContiPoint& point,
                             std::uint32_t number) {
  if (buffer.empty) return number == 1 ? M716_OK : M716_ERR_BUFFER_FIRST_POINT;
  if (number == 0) return M716_ERR_PARAMETER_INVALID;
  if (number == 1) return M716_OK;
  // A predecessor beyond the block was never stored.
  if (number - 2 >= buffer.capacity) return M716_ERR_BUFFER_POINT_NUMBER;
  const M716ContiRecord& previous = buffer.records[number - 2];
  if (previous.pointNumber != number - 1) return M716_ERR_BUFFER_POINT_NUMBER;
  if (groupOf(previous.pathType) != groupOf(point.pathType)) return M716_ERR_BUFFER_MIXED_TYPES;
  return number > buffer.capacity ? M716_ERR_BUFFER_FULL : M716_OK;
}

std::uint32_t store(ContiBuffer& buffer, const M716ContiPoint* point, std::uint32_t number) {
  if (buffer.records == nullptr) return M716_ERR_BUFFER_NOT_CREATED;
  if (inUse(buffer)) return M716_ERR_AXIS_BUSY;
  if (point == nullptr) return M716_ERR_PARAMETER_INVALID;
  if (!isPathType(point->pathType)) return M716_ERR_BUFFER_PATH_TYPE;
  if (!valuesFit(*point)) return M716_ERR_DISTANCE;
  if (std::uint32_t error = checkSuccessor(buffer, *point, number)) return error;
  M716ContiRecord& record = buffer.records[number - 1];
  for (std::uint32_t k = 0; k < kPointValues; ++k) record.value[k] = point->value[k];
  record.pointNumber = number;
  record.pathType = point->pathType;
  buffer.empty = false;
  buffer.lastIndex = number - 1;
  return M716_OK;
}

// ---- Start ----

bool isPathSelection(std::uint32_t axes) {
  return axes < kAllAxes && (std::popcount(axes) == 2 || std::popcount(axes) == 3);
}

// Three axes run lines of three axes; two run the other types.
bool suitsAxes(std::uint16_t type, std::uint32_t count) {
  return count == kMaxPathAxes ? type == IPO_L3 : type != IPO_L3;
}

// What the driver loads each value of a record with: value k = 0..2 the finish point of role
// k, value 3 and 4 the center of role 0 and 1.
void fillCommandWords(M716InterruptBlock& block, const PathAxes& axes) {
  for (std::uint16_t& word : block.pathCommands) word = 0;
  for (std::uint32_t role = 0; role < axes.count; ++role) {
    block.pathCommands[role] = chip::commandWord(axes.masks[role], chip::SetOutputPulses);
    if (role < 2)
      block.pathCommands[3 + role] = chip::commandWord(axes.masks[role], chip::SetCircleCenter);
  }
}

std::uint32_t readPositions(std::uint32_t board, const PathAxes& axes) {
  for (std::uint32_t role = 0; role < axes.count; ++role) {
    const std::uint32_t axis = axes.masks[role];
    std::uint32_t raw = 0;
    if (std::uint32_t error = readRegister(board, axis, M716_REG_LOGICAL_POSITION, raw))
      return error;
    boards[board].axes[axisIndex(axis)].logicalPosition = static_cast<std::int32_t>(raw);
  }
  return M716_OK;
}

std::uint32_t checkStart(std::uint32_t board, std::uint32_t axes, const ContiBuffer& buffer,
                         const PathAxes& path) {
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  if (std::uint32_t error = checkInterpolatorFree(board)) return error;
  if (std::uint32_t error =
          checkPathSpeeds(boards[board].interpolation, path.count, PathForm::line))
    return error;
  if (std::uint32_t error = readPositions(board, path)) return error;
  return suitsAxes(buffer.records[0].pathType, path.count) ? M716_OK : M716_ERR_AXIS_NUMBER;
}

// Loads the axes for the path at its drive speed through every segment: no deceleration point
// (all ones on X) and the interpolation's deceleration off; WR5 asks for the interrupt that
// lets the driver load the next segment.
void programChip(std::uint32_t board, const PathAxes& path) {
  for (std::uint32_t role = 0; role < path.count; ++role) {
    if (role == 0) loadPathMainAxis(board, path.masks[role], PathForm::line);
    loadPathAxisRange(board, path.masks[role], role, PathForm::line);
  }
  writePortWord(board, chip::WR5, interpolationModeWord(path) | chip::wr5::NextSegmentInterrupt);
  writeDataCommand(board, kAxisX, chip::SetDecelerationPoint, UINT32_MAX);
  writeCommand(board, 0, chip::InterpolationDecelerationOff);
}

// Everything is checked before the chip or the interrupt block is written. The bus lock is
// held up to the driver's start, so the driver's interrupt service never sees a path half
// handed over.
std::uint32_t startPath(std::uint32_t board, std::uint32_t axes, const ContiBuffer& buffer) {
  if (buffer.records == nullptr) return M716_ERR_BUFFER_NOT_CREATED;
  if (buffer.lastIndex == 0) return M716_ERR_BUFFER_ONE_POINT;
  if (!isPathSelection(axes)) return M716_ERR_AXIS_NUMBER;
  std::lock_guard lock(boardLock(board));
  const PathAxes path = pathAxesOf(axes);
  if (std::uint32_t error = checkStart(board, axes, buffer, path)) return error;
  programChip(board, path);
  M716InterruptBlock& block = interruptBlocks[board];
  fillCommandWords(block, path);
  block.pathRecords = buffer.records.get();
  block.pathPoints = buffer.lastIndex + 1;
  block.pathAxes = static_cast<std::uint16_t>(axes);
  boards[board].pathAxes = static_cast<std::uint8_t>(axes);
  std::atomic_ref(block.pathProgress).store(0);
  std::atomic_ref(block.pathUnderruns).store(0);
  block.pathIdle = 0;
  block.pathStop = 0;
  if (callDriver(board, M716_DRIVER_START_PATH) == 0) return M716_OK;
  // Nothing feeds the path: it does not run.
  block.pathIdle = 1;
  block.pathStop = 1;
  return M716_ERR_CALL_DRIVER;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716InitialContiBuf(uint32_t buffer, uint32_t capacity) {
  return guarded(kSystemFailure, [&] { return allocate(bufferAt(buffer), capacity); });
}

extern "C" KRVM716_API uint32_t M716FreeContiBuf(uint32_t buffer) {
  return guarded(kSystemFailure, [&] { return release(bufferAt(buffer)); });
}

extern "C" KRVM716_API uint32_t M716SetContiData(uint32_t buffer, const M716ContiPoint* point,
                                                 uint32_t pointNumber) {
  return guarded(kSystemFailure, [&] { return store(bufferAt(buffer), point, pointNumber); });
}

extern "C" KRVM716_API uint32_t M716StartContiDrive(uint32_t board, uint32_t axes,
                                                    uint32_t buffer) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return startPath(board, axes & 0xFF, bufferAt(buffer));
  });
}

extern "C" KRVM716_API uint32_t M716GetCurContiNum(uint32_t board, int32_t* index) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (index == nullptr) return M716_ERR_PARAMETER_INVALID;
    const std::uint32_t progress =
        std::atomic_ref(interruptBlocks[board].pathProgress).load(std::memory_order_acquire);
    *index = static_cast<std::int32_t>(progress) - 1;
    return M716_OK;
  });
}

extern "C" KRVM716_API uint32_t M716GetContiUnderruns(uint32_t board, uint32_t* count) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    if (count == nullptr) return M716_ERR_PARAMETER_INVALID;
    *count = std::atomic_ref(interruptBlocks[board].pathUnderruns).load(std::memory_order_acquire);
    return M716_OK;
  });
}
