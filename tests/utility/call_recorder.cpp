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
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> registers, failedReads;
  std::map<std::uint32_t, std::int32_t> homeResults;
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

// The scripted result of reading one register of one axis, the value stored through `value`.
std::uint32_t readRegister(std::uint32_t axis, std::uint32_t identifier, std::uint32_t* value) {
  const auto failed = script().failedReads.find({axis, identifier});
  if (failed != script().failedReads.end() && failed->second != 0) return failed->second;
  *value = script().registers[{axis, identifier}];
  return 0;
}

void writeRegisters(std::uint32_t axes, std::uint32_t identifier, std::uint32_t value) {
  for (std::uint32_t axis = 1; axis <= 8; axis <<= 1)
    if (axes & axis) script().registers[{axis, identifier}] = value;
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

void CallRecorder::setRegister(std::uint32_t axis, std::uint32_t identifier, std::uint32_t value) {
  script().registers[{axis, identifier}] = value;
}

std::uint32_t CallRecorder::registerValue(std::uint32_t axis, std::uint32_t identifier) {
  return script().registers[{axis, identifier}];
}

void CallRecorder::failRead(std::uint32_t axis, std::uint32_t identifier, std::uint32_t code) {
  script().failedReads[{axis, identifier}] = code;
}

void CallRecorder::setLogicalPosition(std::uint32_t axis, std::int32_t position) {
  setRegister(axis, M716_REG_LOGICAL_POSITION, static_cast<std::uint32_t>(position));
}

void CallRecorder::setRealPosition(std::uint32_t axis, std::int32_t position) {
  setRegister(axis, M716_REG_REAL_POSITION, static_cast<std::uint32_t>(position));
}

void CallRecorder::setHomeResult(std::uint32_t axis, std::int32_t result) {
  script().homeResults[axis] = result;
}

}  // namespace m716::test

using m716::test::readRegister;
using m716::test::record;
using m716::test::script;
using m716::test::writeRegisters;

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
uint32_t M716MotHomeStatus(uint32_t board, uint32_t axis, int32_t* result) {
  *result = script().homeResults[axis];
  return record("M716MotHomeStatus", board, axis);
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

uint32_t M716MotRdReg(uint32_t board, uint32_t axis, uint32_t identifier, uint32_t* value) {
  const uint32_t code = record("M716MotRdReg", board, axis, identifier);
  return code != 0 ? code : readRegister(axis, identifier, value);
}
uint32_t M716MotWrReg(uint32_t board, uint32_t axes, uint32_t identifier, uint32_t value) {
  const uint32_t code = record("M716MotWrReg", board, axes, identifier, value);
  if (code == 0) writeRegisters(axes, identifier, value);
  return code;
}
uint32_t M716MotRdMultiReg(uint32_t board, uint32_t axes, uint32_t identifier, uint32_t* x,
                           uint32_t* y, uint32_t* z, uint32_t* u) {
  const uint32_t code = record("M716MotRdMultiReg", board, axes, identifier);
  if (code != 0) return code;
  uint32_t* values[] = {x, y, z, u};
  for (uint32_t index = 0; index < 4; ++index)
    if (axes & (1u << index))
      if (const uint32_t failed = readRegister(1u << index, identifier, values[index]))
        return failed;
  return 0;
}
uint32_t M716SetPracticalRegister(uint32_t board, uint32_t axis, int32_t value) {
  const uint32_t code = record("M716SetPracticalRegister", board, axis, value);
  if (code == 0) writeRegisters(axis, M716_REG_REAL_POSITION, static_cast<uint32_t>(value));
  return code;
}
uint32_t M716SetTheorecticalRegister(uint32_t board, uint32_t axis, int32_t value) {
  const uint32_t code = record("M716SetTheorecticalRegister", board, axis, value);
  if (code == 0) writeRegisters(axis, M716_REG_LOGICAL_POSITION, static_cast<uint32_t>(value));
  return code;
}
uint32_t M716MotSavePara(uint32_t board, uint32_t axes) {
  return record("M716MotSavePara", board, axes);
}
uint32_t M716GetTheorecticalRegister(uint32_t board, uint32_t axis, int32_t* value) {
  *value = static_cast<int32_t>(script().registers[{axis, M716_REG_LOGICAL_POSITION}]);
  return record("M716GetTheorecticalRegister", board, axis);
}
uint32_t M716GetPracticalRegister(uint32_t board, uint32_t axis, int32_t* value) {
  *value = static_cast<int32_t>(script().registers[{axis, M716_REG_REAL_POSITION}]);
  return record("M716GetPracticalRegister", board, axis);
}

}  // extern "C"
