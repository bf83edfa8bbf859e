#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP while a command drives axes. The handlers only count the
// signals; the waits of the command look at the count between their polls, stop the axes they
// follow, and the command then closes the board and ends with 128 + the signal's number.

#include <cstdint>

namespace m716::tool {

// From now on the three signals are counted instead of ending the program.
void catchInterruptions();

// The first signal caught, 0 while none was.
int interruptingSignal();

// Stops the axes a wait follows when signals come: decelerating at the first, at once from the
// second on (a second Ctrl-C when the first takes too long).
class InterruptionStop {
 public:
  InterruptionStop(std::uint32_t board, std::uint32_t axes) : board_(board), axes_(axes) {}
  // Issues the stop the signals caught so far ask for; true once any was caught.
  bool poll();

 private:
  std::uint32_t board_, axes_;
  int stopsIssued_ = 0;
};

}  // namespace m716::tool
