#include "simulator.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eeprom_storage.h"

namespace m716::sim {
namespace {

// The longest real time between two ticks of a running clock. Every board event is known as
// a time, and whatever brings one forward wakes the timekeeper, so this is only a safety net.
constexpr std::chrono::milliseconds kTickPeriod{10};

// Latencies kept between two takes; further deliveries are not recorded.
constexpr std::size_t kMaxLatencySamples = 1'000'000;

// When the process ends: stops the timekeeper and the delivery thread before the libraries
// that interrupt handlers call into go away, and keeps where the carriages stand for the next
// program. The simulator itself stays, so late bus accesses still find it.
struct ProcessEnd {
  Simulator& simulator;
  Timekeeper& timekeeper;
  Timekeeper& deliverer;
  ~ProcessEnd() {
    timekeeper.stop();
    deliverer.stop();
    simulator.saveCarriagePositions();
  }
};

SimTime fromSeconds(double seconds) {
  return std::chrono::duration_cast<SimTime>(std::chrono::duration<double>(seconds));
}

}  // namespace

Simulator& Simulator::instance() {
  static Simulator* simulator = new Simulator;
  static ProcessEnd atExit{*simulator, simulator->timekeeper_, simulator->deliverer_};
  return *simulator;
}

Simulator::Simulator()
    : timekeeper_([this] { return tick(); }), deliverer_([this] { return deliverDue(); }) {}

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
  latency_ = SimTime{};
  for (auto& [base, line] : lines_) line.seenCauses = 0, line.risenAt.reset();
  loaded_ = true;
  timekeeper_.start();
  deliverer_.start();
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
  std::uint16_t value = kUndriven;
  bool rose = false;
  {
    std::lock_guard lock(mutex_);
    rose = catchUpLocked();
    std::uint32_t offset = 0;
    Board* board = boardAt(port, offset);
    if (board != nullptr) value = board->read(offset);
    rose = noteRisesLocked() || rose;
  }
  if (rose) deliverer_.wake();
  return value;
}

void Simulator::write(std::uint32_t port, std::uint16_t value) {
  ensureLoaded();
  std::optional<Eeprom::Words> toStore;
  std::uint16_t base = 0;
  bool eventEarlier = false;
  bool rose = false;
  {
    std::lock_guard lock(mutex_);
    rose = catchUpLocked();
    std::uint32_t offset = 0;
    Board* board = boardAt(port, offset);
    if (board == nullptr) return;
    const SimTime dueBefore = board->nextEventTime();
    board->write(offset, value);
    toStore = board->takeEepromToStore();
    base = board->base();
    eventEarlier = board->nextEventTime() < dueBefore;
    rose = noteRisesLocked() || rose;
  }
  // The timekeeper plans for an earlier event without waiting out its pause; the delivery
  // thread serves a line this write raised.
  if (eventEarlier) timekeeper_.wake();
  if (rose) deliverer_.wake();
  if (toStore) storeEepromWords(base, *toStore);
}

bool Simulator::attach(std::uint16_t base, platform::InterruptHandler handler) {
  ensureLoaded();
  bool rose = false;
  {
    std::lock_guard lock(mutex_);
    if (boardWithBase(base) == nullptr) return false;
    lines_[base] = Line{std::make_shared<const platform::InterruptHandler>(std::move(handler)), 0,
                        std::nullopt};
    rose = noteRisesLocked();
  }
  if (rose) deliverer_.wake();
  return true;
}

void Simulator::detach(std::uint16_t base) {
  std::unique_lock lock(mutex_);
  auto found = lines_.find(base);
  if (found == lines_.end()) return;
  const Handler handler = std::move(found->second.handler);
  lines_.erase(found);
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
  deliverer_.wake();
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
  stepTo(target);
}

void Simulator::setInterruptLatency(double seconds) {
  ensureLoaded();
  {
    std::lock_guard lock(mutex_);
    latency_ = std::isfinite(seconds) && seconds > 0 ? fromSeconds(seconds) : SimTime{};
  }
  deliverer_.wake();
}

std::vector<double> Simulator::takeLatencies() {
  std::lock_guard lock(mutex_);
  return std::exchange(latencies_, {});
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

bool Simulator::advanceBoardsLocked(SimTime time) {
  bool rose = false;
  while (boardsTime_ < time) {
    const SimTime step = std::min(time, nextEventLocked());
    for (auto& [base, board] : boards_) board->advanceTo(step);
    boardsTime_ = step;
    rose = noteRisesLocked() || rose;
  }
  return rose;
}

bool Simulator::catchUpLocked() {
  return advanceBoardsLocked(clock_.now());
}

bool Simulator::noteRisesLocked() {
  bool rose = false;
  for (auto& [base, line] : lines_) {
    auto board = boards_.find(base);
    const std::uint64_t causes = board != boards_.end() ? board->second->interruptCauses() : 0;
    if ((causes & ~line.seenCauses) != 0 && !line.risenAt) {
      line.risenAt = boardsTime_;
      rose = true;
    }
    line.seenCauses = causes;
  }
  return rose && clock_.speedFactor() > 0;
}

SimTime Simulator::nextDueLocked() const {
  SimTime next = kNever;
  for (const auto& [base, line] : lines_) {
    if (line.risenAt) next = std::min(next, *line.risenAt + latency_);
  }
  return next;
}

std::vector<Simulator::DueLine> Simulator::takeDueLinesLocked() {
  std::vector<DueLine> due;
  const SimTime now = clock_.now();
  for (auto& [base, line] : lines_) {
    if (!line.risenAt || *line.risenAt + latency_ > now) continue;
    const SimTime risenAt = *std::exchange(line.risenAt, std::nullopt);
    auto board = boards_.find(base);
    if (board != boards_.end() && board->second->interruptRaised())
      due.push_back({base, line.handler, risenAt});
  }
  return due;
}

bool Simulator::inDeliveryLocked(const Handler& handler) const {
  return std::find(delivering_.begin(), delivering_.end(), handler.get()) != delivering_.end();
}

void Simulator::deliver(const DueLine& line) {
  {
    std::lock_guard lock(mutex_);
    auto attached = lines_.find(line.base);
    if (attached == lines_.end() || attached->second.handler != line.handler) return;
    delivering_.push_back(line.handler.get());
    deliveryThread_ = std::this_thread::get_id();
    const auto risenAtRealTime = clock_.realTimeAt(line.risenAt);
    const auto delay =
        risenAtRealTime ? Clock::RealClock::now() - *risenAtRealTime : clock_.now() - line.risenAt;
    if (latencies_.size() < kMaxLatencySamples)
      latencies_.push_back(std::chrono::duration<double, std::micro>(delay).count());
  }
  (*line.handler)();
  {
    std::lock_guard lock(mutex_);
    delivering_.pop_back();
    if (delivering_.empty()) deliveryThread_ = {};
  }
  deliveryEnded_.notify_all();
}

void Simulator::stepTo(SimTime target) {
  std::lock_guard delivery(deliveryMutex_);
  for (;;) {
    std::vector<DueLine> due;
    bool reached = false;
    {
      std::lock_guard lock(mutex_);
      const SimTime goal = std::min({target, nextEventLocked(), nextDueLocked()});
      // The clock stops at each event and delivery, so that handlers see its time.
      if (goal > clock_.now()) clock_.advance(goal - clock_.now());
      // A reload meanwhile sets the clock back: never pass the clock.
      advanceBoardsLocked(std::min(goal, clock_.now()));
      due = takeDueLinesLocked();
      reached = boardsTime_ >= target;
    }
    for (const DueLine& line : due) deliver(line);
    if (reached && due.empty()) return;
  }
}

// With the clock running: moves the boards to the clock's time and sleeps until the next
// event; the handlers of the lines that rose meanwhile are the delivery thread's.
Timekeeper::Pause Simulator::tick() {
  bool rose = false;
  Timekeeper::Pause pause;
  {
    std::lock_guard lock(mutex_);
    if (clock_.speedFactor() == 0) return std::nullopt;
    rose = catchUpLocked();
    const SimTime next = nextEventLocked();
    if (next == kNever) {
      pause = kTickPeriod;
    } else if (auto untilEvent = clock_.realTimeUntil(next)) {
      pause = std::min<Clock::RealClock::duration>(kTickPeriod, *untilEvent);
    }
  }
  if (rose) deliverer_.wake();
  return pause;
}

// With the clock running: calls the handlers that are due, then sleeps until the next is (or
// until a line rises).
Timekeeper::Pause Simulator::deliverDue() {
  std::lock_guard delivery(deliveryMutex_);
  std::vector<DueLine> due;
  {
    std::lock_guard lock(mutex_);
    if (clock_.speedFactor() == 0) return std::nullopt;
    catchUpLocked();
    due = takeDueLinesLocked();
    if (due.empty()) {
      const SimTime next = nextDueLocked();
      if (next == kNever) return std::nullopt;
      return clock_.realTimeUntil(next);
    }
  }
  for (const DueLine& line : due) deliver(line);
  return Clock::RealClock::duration{};  // look again at once
}

}  // namespace m716::sim
