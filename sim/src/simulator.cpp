#include "simulator.h"

#include <algorithm>
#include <cmath>

#include "eeprom_storage.h"

namespace m716::sim {
namespace {

// The longest real time between two ticks of a running clock. Every board event is known as
// a time, and whatever brings one forward wakes the timekeeper, so this is only a safety net.
constexpr std::chrono::milliseconds kTickPeriod{10};

// When the process ends: stops the timekeeper before the libraries that interrupt handlers
// call into go away, and keeps where the carriages stand for the next program. The simulator
// itself stays, so late bus accesses still find it.
struct ProcessEnd {
  Simulator& simulator;
  Timekeeper& timekeeper;
  ~ProcessEnd() {
    timekeeper.stop();
    simulator.saveCarriagePositions();
  }
};

SimTime fromSeconds(double seconds) {
  return std::chrono::duration_cast<SimTime>(std::chrono::duration<double>(seconds));
}

}  // namespace

Simulator& Simulator::instance() {
  static Simulator* simulator = new Simulator;
  static ProcessEnd atExit{*simulator, simulator->timekeeper_};
  return *simulator;
}

Simulator::Simulator() : timekeeper_([this] { return tick(); }) {}

void Simulator::ensureLoaded() {
  if (loaded_) return;
  apply(readConfiguration(), true);
}

void Simulator::reload() {
  apply(readConfiguration(), false);
  timekeeper_.wake();
}

void Simulator::saveCarriagePositions() {
  if (!loaded_) return;
  std::vector<CarriagePosition> positions;
  {
    std::lock_guard lock(mutex_);
    for (auto& [base, board] : boards_)
      for (std::size_t axis = 0; axis < kAxisCount; ++axis)
        positions.push_back({base, axis, board->chip().axis(axis).carriage().position()});
  }
  m716::sim::saveCarriagePositions(positions);
}

void Simulator::apply(const SimulatorConfiguration& configuration, bool onlyIfUnloaded) {
  std::map<std::uint16_t, std::unique_ptr<Board>> boards;
  for (const BoardConfiguration& board : configuration.boards) {
    boards[board.base] = std::make_unique<Board>(board, loadEepromWords(board.base));
  }
  std::lock_guard lock(mutex_);
  if (onlyIfUnloaded && loaded_) return;
  boards_ = std::move(boards);
  clock_.restart(configuration.speedFactor);
  boardsTime_ = SimTime{};
  loaded_ = true;
  timekeeper_.start();
}

Board* Simulator::boardWithBase(std::uint32_t base) {
  auto found = boards_.find(static_cast<std::uint16_t>(base));
  return found != boards_.end() && found->first == base ? found->second.get() : nullptr;
}

Board* Simulator::boardAt(std::uint32_t port, std::uint32_t& offset) {
  auto above = boards_.upper_bound(static_cast<std::uint16_t>(std::min(port, 0xFFFFu)));
  if (port > 0xFFFF || above == boards_.begin()) return nullptr;
  auto& [base, board] = *std::prev(above);
  offset = port - base;
  return offset < Board::kPortCount ? board.get() : nullptr;
}

std::uint16_t Simulator::read(std::uint32_t port) {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  catchUpLocked();
  std::uint32_t offset = 0;
  Board* board = boardAt(port, offset);
  return board != nullptr ? board->read(offset) : kUndriven;
}

void Simulator::write(std::uint32_t port, std::uint16_t value) {
  ensureLoaded();
  std::optional<Eeprom::Words> toStore;
  std::uint16_t base = 0;
  bool somethingDue = false;
  {
    std::lock_guard lock(mutex_);
    catchUpLocked();
    std::uint32_t offset = 0;
    Board* board = boardAt(port, offset);
    if (board == nullptr) return;
    const SimTime dueBefore = board->nextEventTime();
    const bool raisedBefore = board->interruptRaised();
    board->write(offset, value);
    toStore = board->takeEepromToStore();
    base = board->base();
    somethingDue =
        (board->interruptRaised() && !raisedBefore) || board->nextEventTime() < dueBefore;
  }
  // The timekeeper serves a line this write raised, or plans for an earlier event, without
  // waiting out its pause. (Not for a line already raised: a handler's own bus accesses would
  // wake it again and again.)
  if (somethingDue) timekeeper_.wake();
  if (toStore) storeEepromWords(base, *toStore);
}

bool Simulator::attach(std::uint16_t base, platform::InterruptHandler handler) {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  if (boardWithBase(base) == nullptr) return false;
  handlers_[base] = std::make_shared<const platform::InterruptHandler>(std::move(handler));
  return true;
}

void Simulator::detach(std::uint16_t base) {
  std::unique_lock lock(mutex_);
  auto found = handlers_.find(base);
  if (found == handlers_.end()) return;
  const Handler handler = std::move(found->second);
  handlers_.erase(found);
  // A handler detaching its own line, or another one, would wait for itself.
  if (deliveryThread_ == std::this_thread::get_id()) return;
  // Only a call already in progress can still run the handler: wait for that one alone, not
  // for the advance, which under a steady load of interrupts may go on for as long as it lasts.
  deliveryEnded_.wait(lock, [&] { return !inDeliveryLocked(handler); });
}

void Simulator::setSpeedFactor(double factor) {
  ensureLoaded();
  {
    std::lock_guard lock(mutex_);
    clock_.setSpeedFactor(factor);
  }
  timekeeper_.wake();
}

double Simulator::speedFactor() {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return clock_.speedFactor();
}

void Simulator::advance(double seconds) {
  ensureLoaded();
  if (!(seconds > 0) || !std::isfinite(seconds)) return;
  SimTime target;
  {
    std::lock_guard lock(mutex_);
    target = clock_.now() + fromSeconds(seconds);
  }
  stepTo(target, /*moveClock=*/true);
}

double Simulator::time() {
  ensureLoaded();
  std::lock_guard lock(mutex_);
  return std::chrono::duration<double>(clock_.now()).count();
}

SimTime Simulator::nextEventLocked() const {
  SimTime next = kNever;
  for (const auto& [base, board] : boards_) next = std::min(next, board->nextEventTime());
  // An event never lies in the past of the boards; this keeps every step moving forward.
  return std::max(next, boardsTime_ + SimTime{1});
}

void Simulator::advanceBoardsLocked(SimTime time) {
  if (time <= boardsTime_) return;
  for (auto& [base, board] : boards_) board->advanceTo(time);
  boardsTime_ = time;
}

void Simulator::catchUpLocked() {
  advanceBoardsLocked(std::min(clock_.now(), nextEventLocked() - SimTime{1}));
}

std::vector<Simulator::RaisedLine> Simulator::raisedLinesLocked() const {
  std::vector<RaisedLine> raised;
  for (const auto& [base, handler] : handlers_) {
    auto board = boards_.find(base);
    if (board != boards_.end() && board->second->interruptRaised())
      raised.push_back({base, handler});
  }
  return raised;
}

bool Simulator::inDeliveryLocked(const Handler& handler) const {
  return std::find(delivering_.begin(), delivering_.end(), handler.get()) != delivering_.end();
}

void Simulator::deliver(const RaisedLine& line) {
  {
    std::lock_guard lock(mutex_);
    auto attached = handlers_.find(line.base);
    if (attached == handlers_.end() || attached->second != line.handler) return;
    delivering_.push_back(line.handler.get());
    deliveryThread_ = std::this_thread::get_id();
  }
  (*line.handler)();
  {
    std::lock_guard lock(mutex_);
    delivering_.pop_back();
    if (delivering_.empty()) deliveryThread_ = {};
  }
  deliveryEnded_.notify_all();
}

void Simulator::stepTo(SimTime target, bool moveClock) {
  std::lock_guard delivery(deliveryMutex_);
  for (;;) {
    std::vector<RaisedLine> raised;
    bool reached = false;
    {
      std::lock_guard lock(mutex_);
      SimTime goal = std::min(target, nextEventLocked());
      // Moving the clock itself, it stops at each event, so that handlers see its time.
      if (moveClock && goal > clock_.now()) clock_.advance(goal - clock_.now());
      // A reload meanwhile sets the clock back: never pass the clock.
      advanceBoardsLocked(std::min(goal, clock_.now()));
      reached = boardsTime_ >= (moveClock ? target : std::min(target, clock_.now()));
      raised = raisedLinesLocked();
    }
    for (const RaisedLine& line : raised) deliver(line);
    if (reached) return;
  }
}

Timekeeper::Pause Simulator::tick() {
  SimTime target;
  {
    std::lock_guard lock(mutex_);
    if (clock_.speedFactor() == 0) return std::nullopt;
    target = clock_.now();
  }
  stepTo(target, /*moveClock=*/false);
  std::lock_guard lock(mutex_);
  SimTime next = nextEventLocked();
  if (next == kNever) return kTickPeriod;
  auto untilEvent = clock_.realTimeUntil(next);
  if (!untilEvent) return std::nullopt;
  return std::min<Clock::RealClock::duration>(kTickPeriod, *untilEvent);
}

}  // namespace m716::sim
