// The API fuzzer as a libFuzzer target (`make fuzz`): each input is a stream of calls on the
// simulated board; a broken promise aborts with the call that broke it. At exit it says how
// many calls ran and how fast.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "api_calls.h"
#include "support/temp_registry.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
  m716::test::TempRegistry store;
  m716::fuzz::ApiFuzzer fuzzer;
  Clock::time_point start = Clock::now();
};

Run& run() {
  static Run* instance = [] {
    auto* created = new Run;
    std::atexit([] {
      const std::chrono::duration<double> took = Clock::now() - run().start;
      std::fprintf(stderr,
                   "api fuzzer: %zu calls (%zu accepted) in %.0f s, %.0f calls per second\n",
                   run().fuzzer.calls(), run().fuzzer.accepted(), took.count(),
                   static_cast<double>(run().fuzzer.calls()) / took.count());
    });
    return created;
  }();
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  m716::fuzz::ByteStream stream(data, size);
  for (const std::string& violation : run().fuzzer.run(stream, 400)) {
    std::fprintf(stderr, "broken promise: %s\n", violation.c_str());
    std::abort();
  }
  return 0;
}
