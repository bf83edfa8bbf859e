#include "call_recorder.h"

#include <deque>
#include <map>
#include <sstream>

#include "KRVM716.h"

namespace m716::test {
namespace {

struct Script {
  std::vector<std::string> calls;
  std::map<std::string, std::uint32_t> results;
  std::uint32_t availableBoards = 0;
  std::deque<std::uint32_t> events;
  std::map<std::uint32_t, std::int32_t> logical, real;
  std::map<std::uint32_t, std::uint32_t> registers;
};

Script& script() {
  static Script instance;
  return instance;
}

// Integers as decimal numbers (bytes too), an angle always with its decimal point: "90.0".
template <typename Value>
void put(std::ostream& text, Value value) {
  text << +value;
}
void put(std::ostream& text, double value) {
  std::ostringstream number;
  number.precision(17);
  number << value;
  text << number.str() << (number.str().find_first_of(".en") == std::string::npos ? ".0" : "");
}

template <typename... Arguments>
std::uint32_t record(const char* function, Arguments... arguments) {
  std::ostringstream text;
  text << function << '(';
  [[maybe_unused]] const char* separator = "";
  ((text << separator, put(text, arguments), separator = ", "), ...);
  text << ')';
  script().calls.push_back(text.str());
  const auto result = script().results.find(function);
  return result == script().results.end() ? 0 : result->second;
}

}  // namespace

void CallRecorder::reset() {
  script() = Script{};
}

const std::vector<std::string>& CallRecorder::calls() {
  return script().calls;
}

std::vector<std::string> CallRecorder::callsOf(const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& call : script().calls)
    if (call.rfind(prefix, 0) == 0) found.push_back(call);
  return found;
}

void CallRecorder::setResult(const std::string& function, std::uint32_t code) {
  script().results[function] = code;
}

void CallRecorder::setAvailableBoards(std::uint32_t mask) {
  script().availableBoards = mask;
}

void CallRecorder::queueEvents(std::uint32_t events) {
  script().events.push_back(events);
}

void CallRecorder::setLogicalPosition(std::uint32_t axis, std::int32_t position) {
  script().logical[axis] = position;
}

void CallRecorder::setRealPosition(std::uint32_t axis, std::int32_t position) {
  script().real[axis] = position;
}

void CallRecorder::setRegisterValue(std::uint32_t axis, std::uint32_t value) {
  script().registers[axis] = value;
}

}  // namespace m716::test

using m716::test::record;
using m716::test::script;

extern "C" {

uint32_t M716MotDevAvailable(uint32_t* mask) {
  *mask = script().availableBoards;
  return record("M716MotDevAvailable");
}
uint32_t M716MotDevOpen(uint32_t board) {
  return record("M716MotDevOpen", board);
}
uint32_t M716MotCheckEvent(uint32_t board, uint32_t* events, uint32_t timeout) {
  auto& queued = script().events;
  *events = queued.empty() ? 0 : queued.front();
  if (!queued.empty()) queued.pop_front();
  return record("M716MotCheckEvent", board, timeout);
}
uint32_t M716MotHome(uint32_t board, uint32_t axes) {
  return record("M716MotHome", board, axes);
}
uint32_t M716SetDrivingSpeed(uint32_t board, uint32_t axis, uint32_t dv) {
  return record("M716SetDrivingSpeed", board, axis, dv);
}
uint32_t M716MotCmove(uint32_t board, uint32_t axes, uint32_t negativeAxes) {
  return record("M716MotCmove", board, axes, negativeAxes);
}
uint32_t M716MotPtp(uint32_t board, uint32_t axes, uint32_t absoluteAxes, int32_t x, int32_t y,
                    int32_t z, int32_t u) {
  return record("M716MotPtp", board, axes, absoluteAxes, x, y, z, u);
}
uint32_t M716MotAxisParaSet(uint32_t board, uint32_t axes, uint32_t sCurve, uint32_t sv,
                            uint32_t dv, uint32_t mdv, uint32_t ac, uint32_t ak) {
  return record("M716MotAxisParaSet", board, axes, sCurve, sv, dv, mdv, ac, ak);
}
uint32_t M716MotLine(uint32_t board, uint32_t axes, uint32_t absolute, int32_t x, int32_t y,
                     int32_t z, int32_t u) {
  return record("M716MotLine", board, axes, absolute, x, y, z, u);
}
uint32_t M716MotArc(uint32_t board, uint32_t axes, uint32_t absolute, uint32_t ccw, int32_t c1,
                    int32_t c2, int32_t e1, int32_t e2) {
  return record("M716MotArc", board, axes, absolute, ccw, c1, c2, e1, e2);
}
uint32_t M716MotArcTheta(uint32_t board, uint32_t axes, uint32_t absolute, int32_t c1, int32_t c2,
                         double angle) {
  return record("M716MotArcTheta", board, axes, absolute, c1, c2, angle);
}
uint32_t M716MotChgDV(uint32_t board, uint32_t axis, uint32_t dv) {
  return record("M716MotChgDV", board, axis, dv);
}
uint32_t M716MotStop(uint32_t board, uint32_t axes, uint32_t deceleratingAxes) {
  return record("M716MotStop", board, axes, deceleratingAxes);
}
uint32_t M716MotExtMode(uint32_t board, uint32_t axis, uint32_t mode, int32_t pulses) {
  return record("M716MotExtMode", board, axis, mode, pulses);
}

uint32_t M716GetTheorecticalRegister(uint32_t board, uint32_t axis, int32_t* value) {
  *value = script().logical[axis];
  return record("M716GetTheorecticalRegister", board, axis);
}
uint32_t M716GetPracticalRegister(uint32_t board, uint32_t axis, int32_t* value) {
  *value = script().real[axis];
  return record("M716GetPracticalRegister", board, axis);
}
uint32_t M716MotRdMultiReg(uint32_t board, uint32_t axes, uint32_t identifier, uint32_t* x,
                           uint32_t* y, uint32_t* z, uint32_t* u) {
  *x = script().registers[1];
  *y = script().registers[2];
  *z = script().registers[4];
  *u = script().registers[8];
  return record("M716MotRdMultiReg", board, axes, identifier);
}

}  // extern "C"
