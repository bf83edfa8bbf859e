#include "interruption.h"

#include <atomic>
#include <csignal>

#include "KRVM716.h"
#include "commands.h"

namespace m716::tool {
namespace {

std::atomic<int> firstSignal{0};
std::atomic<int> signalsCaught{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

void count(int signal) {
  int none = 0;
  firstSignal.compare_exchange_strong(none, signal);
  signalsCaught.fetch_add(1);
}

}  // namespace

void catchInterruptions() {
  struct sigaction action {};
  action.sa_handler = count;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int interruptingSignal() {
  return firstSignal.load();
}

bool InterruptionStop::poll() {
  const int caught = signalsCaught.load();
  if (caught == 0) return false;
  const int wanted = caught == 1 ? 1 : 2;  // 1: decelerating stop, 2: stop at once
  if (stopsIssued_ < wanted) {
    report("Stop", M716MotStop(board_, axes_, wanted == 1 ? axes_ : 0));
    stopsIssued_ = wanted;
  }
  return true;
}

}  // namespace m716::tool
