#pragma once
// Stands in for the motion library in the program tests: exports the library's functions that
// the screens call, records each call with its arguments in order, as text such as
// "M716MotPtp(0, 2, 0, 1000, 1000, 1000, 1000)", and returns the results a test scripts.

#include <cstdint>
#include <string>
#include <vector>

namespace m716::test {

class CallRecorder {
 public:
  // Forgets the calls and every scripted result.
  static void reset();
  static const std::vector<std::string>& calls();
  // The calls whose text starts with `prefix` (a function name, or a name and its first arguments).
  static std::vector<std::string> callsOf(const std::string& prefix);
  // Every later call of `function` returns `code`.
  static void setResult(const std::string& function, std::uint32_t code);
  // The word M716MotDevAvailable writes.
  static void setAvailableBoards(std::uint32_t mask);
  // The word the next M716MotCheckEvent writes (0 once these are used up).
  static void queueEvents(std::uint32_t events);

  // The registers the register calls read and write, per axis bit and identifier (0 until set):
  // M716MotWrReg and the two counter setters store into them, the reads return them.
  static void setRegister(std::uint32_t axis, std::uint32_t identifier, std::uint32_t value);
  static std::uint32_t registerValue(std::uint32_t axis, std::uint32_t identifier);
  // Every later read of this register of this axis returns `code` (0 again: reads succeed) and
  // stores nothing; M716MotRdMultiReg stops at the first such axis, as the library does.
  static void failRead(std::uint32_t axis, std::uint32_t identifier, std::uint32_t code);
  // What M716GetTheorecticalRegister (logical) and M716GetPracticalRegister (real) write for
  // the axis bit `axis`: the position registers above.
  static void setLogicalPosition(std::uint32_t axis, std::int32_t position);
  static void setRealPosition(std::uint32_t axis, std::int32_t position);
  // What M716MotHomeStatus writes for the axis bit `axis` (0 until set).
  static void setHomeResult(std::uint32_t axis, std::int32_t result);
};

}  // namespace m716::test
