// A motion library for the installer's tests whose availability query fails, as the real one
// does when it cannot read the registry.

#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::uint32_t M716MotDevAvailable(
    std::uint32_t* mask) {
  *mask = 0xFFFF;
  return 2;
}
