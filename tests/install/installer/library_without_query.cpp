// A motion library of another make for the installer's tests: it loads, but has no
// availability query.

#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::uint32_t M716MotDevOpen(std::uint32_t) {
  return 0;
}
