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
  // What M716GetTheorecticalRegister (logical) and M716GetPracticalRegister (real) write for
  // the axis bit `axis` (0 until set).
  static void setLogicalPosition(std::uint32_t axis, std::int32_t position);
  static void setRealPosition(std::uint32_t axis, std::int32_t position);
  // What M716MotRdMultiReg writes for the axis bit `axis` (0 until set), whatever register.
  static void setRegisterValue(std::uint32_t axis, std::uint32_t value);
};

}  // namespace m716::test
