#include "api_calls.h"

#include <array>
#include <climits>
#include <cmath>
#include <deque>

#include "KRVM716.h"
#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"
#include "m716sim.h"

namespace m716::fuzz {
namespace {

constexpr std::uint32_t kSimBase = 0x300;
constexpr std::uint32_t kAxisCount = 4;

std::uint32_t choose(ByteStream& in, std::initializer_list<std::uint32_t> values) {
  return *(values.begin() + in.pick(static_cast<std::uint32_t>(values.size())));
}

// Mostly board 0 (the simulated one), sometimes one where no board answers, or none at all.
std::uint32_t board(ByteStream& in) {
  return choose(in, {0, 0, 0, 0, 0, 0, 1, 15, 16, 0x100});
}
std::uint32_t oneAxis(ByteStream& in) {
  return choose(in, {1, 2, 4, 8, 1, 2, 4, 8, 0, 3, 16});
}
std::uint32_t axes(ByteStream& in) {
  return in.pick(8) == 0 ? choose(in, {0, 16, 0x101, 0xFFFFFFFF}) : 1 + in.pick(15);
}
std::uint32_t value(ByteStream& in) {
  return in.pick(4) == 0
             ? in.word()
             : choose(in, {0, 1, 2, 15, 16, 100, 1000, 6000, 8000, 16'000, 100'000, 600'000,
                           4'000'000, 8'000'000, 268'435'455, 0x80000000, 0xFFFFFFFF});
}
std::int32_t position(ByteStream& in) {
  return static_cast<std::int32_t>(
      in.pick(4) == 0 ? in.word()
                      : choose(in, {0, 1, 1000, 50'000, static_cast<std::uint32_t>(-1000),
                                    static_cast<std::uint32_t>(-50'000), 268'435'455,
                                    static_cast<std::uint32_t>(INT_MIN), INT_MAX}));
}
double angle(ByteStream& in) {
  if (in.pick(4) == 0) return static_cast<std::int32_t>(in.word()) / 1000.0;
  switch (in.pick(8)) {
    case 0:
      return 0;
    case 1:
      return 360;
    case 2:
      return -360;
    case 3:
      return 360.5;
    case 4:
      return std::nan("");
    default:
      return static_cast<double>(static_cast<std::int32_t>(in.pick(721)) - 360);
  }
}
std::uint32_t flag(ByteStream& in) {
  return choose(in, {0, 1, 0, 1, 2, 0x10001});
}
std::uint32_t identifier(ByteStream& in) {
  if (in.pick(8) == 0) return in.word();
  return choose(in, {M716_REG_REAL_POSITION,
                     M716_REG_LOGICAL_POSITION,
                     M716_REG_COMPARE_PLUS,
                     M716_REG_COMPARE_MINUS,
                     M716_REG_OUTPUT_PULSES,
                     M716_REG_LIVE_SPEED,
                     M716_REG_LIVE_ACCELERATION,
                     M716_REG_MAIN_STATUS,
                     M716_REG_STATUS1,
                     M716_REG_STATUS2,
                     M716_REG_STATUS3,
                     M716_REG_INPUT1,
                     M716_REG_INPUT2,
                     M716_REG_MODE1,
                     M716_REG_MODE2,
                     M716_REG_MODE3,
                     M716_REG_NONE1,
                     0x215,
                     M716_PAR_RG,
                     M716_PAR_SV,
                     M716_PAR_DV,
                     M716_PAR_MDV,
                     M716_PAR_AC,
                     M716_PAR_DC,
                     M716_PAR_AK,
                     M716_PAR_PLMT,
                     M716_PAR_NLMT,
                     M716_PAR_HOME_OFFSET,
                     M716_PAR_HOME_TYPE,
                     M716_PAR_HOME_P0_SPEED,
                     M716_PAR_HOME_P1_SPEED,
                     M716_PAR_HOME_OFFSET_SPEED,
                     0x312});
}
// A few buffer numbers, so that calls meet on the same buffers.
std::uint32_t buffer(ByteStream& in) {
  return choose(in, {0, 1, 2, 0x101});
}
std::uint32_t capacity(ByteStream& in) {
  return choose(in, {0, 1, 2, 3, 8, 64, 0x8000000});
}
std::int32_t pathValue(ByteStream& in) {
  return in.pick(4) == 0 ? position(in) : static_cast<std::int32_t>(in.pick(201)) - 100;
}
M716ContiPoint pathPoint(ByteStream& in) {
  M716ContiPoint point{};
  for (std::int32_t& v : point.value) v = pathValue(in);
  point.pathType = static_cast<std::uint16_t>(
      choose(in, {IPO_L2, IPO_L2, IPO_L3, IPO_CW, IPO_CCW, 0x33, in.word() & 0xFFFF}));
  return point;
}
// Buffer n anew, with a few short two-axis lines (unless a running path holds it).
void fillLines(ByteStream& in, std::uint32_t n) {
  M716FreeContiBuf(n);
  M716InitialContiBuf(n, 4);
  for (std::uint32_t k = 1, count = 2 + in.pick(3); k <= count; ++k) {
    const M716ContiPoint point{{static_cast<std::int32_t>(in.pick(201)) - 100,
                                static_cast<std::int32_t>(in.pick(201)) - 100, 0, 0, 0},
                               0,
                               IPO_L2,
                               0};
    M716SetContiData(n, &point, k);
  }
}
// A valid pointer to `slot` or, now and then, a null one.
template <typename T>
T* out(ByteStream& in, T& slot) {
  return in.pick(8) == 0 ? nullptr : &slot;
}

// Tables handed to the driver stay where they are until the process ends: the driver may read
// any of them at the next interrupt. Now and then a null one.
template <typename Entry>
Entry* table(ByteStream& in, std::uint32_t count, Entry (*make)(ByteStream&)) {
  static std::deque<std::vector<Entry>> tables;
  if (in.pick(8) == 0) return nullptr;
  std::vector<Entry>& entries = tables.emplace_back();
  for (std::uint32_t i = 0; i < count; ++i) entries.push_back(make(in));
  return entries.data();
}
M716SpeedTableEntry speedEntry(ByteStream& in) {
  return {value(in), position(in)};
}

bool onBoardZero(std::uint32_t board) {
  return (board & 0xFF) == 0;
}

// What a call may do to the simulated board when the library accepts it: start drives of
// these axes (now, or from a home search's worker).
struct Effect {
  std::uint32_t drives = 0;
  std::uint32_t homes = 0;
};

using CallFn = std::uint32_t (*)(ByteStream& in, Effect& effect);

struct Call {
  const char* name;
  std::uint32_t weight;
  CallFn run;
};

std::uint32_t drivesIf(std::uint32_t board, std::uint32_t axes, std::uint32_t result,
                       std::uint32_t& into) {
  if (result == M716_OK && onBoardZero(board)) into = axes & 0x0F;
  return result;
}

// Every exported function, weighted so that the slow ones (EEPROM transfers of about 80 ms,
// opens, home starts) do not crowd out the rest.
constexpr Call kCalls[] = {
    {"M716_OutpWord", 1,
     [](ByteStream& in, Effect&) {
       // Only offsets that no chip register answers at: a raw write may command anything.
       return M716_OutpWord(board(in), choose(in, {16, 18, 24, 28, 30, 0x1001C}),
                            static_cast<std::uint16_t>(in.word()));
     }},
    {"M716_InpWord", 2,
     [](ByteStream& in, Effect&) {
       std::uint16_t v = 0;
       return M716_InpWord(board(in), in.pick(32) & ~1u, out(in, v));
     }},
    {"M716MotDevOpen", 2, [](ByteStream& in, Effect&) { return M716MotDevOpen(board(in)); }},
    {"M716MotDevClose", 1, [](ByteStream& in, Effect&) { return M716MotDevClose(board(in)); }},
    {"M716MotDevAvailable", 1,
     [](ByteStream& in, Effect&) {
       std::uint32_t mask = 0;
       return M716MotDevAvailable(out(in, mask));
     }},
    {"M716MotRdReg", 8,
     [](ByteStream& in, Effect&) {
       std::uint32_t v = 0;
       return M716MotRdReg(board(in), oneAxis(in), identifier(in), out(in, v));
     }},
    {"M716MotWrReg", 8,
     [](ByteStream& in, Effect&) {
       return M716MotWrReg(board(in), axes(in), identifier(in), value(in));
     }},
    {"M716MotRdMultiReg", 3,
     [](ByteStream& in, Effect&) {
       std::array<std::uint32_t, 4> v{};
       return M716MotRdMultiReg(board(in), axes(in), identifier(in), out(in, v[0]), out(in, v[1]),
                                out(in, v[2]), out(in, v[3]));
     }},
    {"M716MotWrMultiReg", 3,
     [](ByteStream& in, Effect&) {
       return M716MotWrMultiReg(board(in), axes(in), identifier(in), value(in), value(in),
                                value(in), value(in));
     }},
    {"M716MotSavePara", 1,
     [](ByteStream& in, Effect&) { return M716MotSavePara(board(in), in.pick(17)); }},
    {"M716ReadEEPROM", 1,
     [](ByteStream& in, Effect&) {
       std::uint16_t v = 0;
       return M716ReadEEPROM(board(in), in.pick(70), out(in, v));
     }},
    {"M716WriteEEPROM", 1,
     [](ByteStream& in, Effect&) {
       return M716WriteEEPROM(board(in), in.pick(70), static_cast<std::uint16_t>(in.word()));
     }},
    {"M716MotAxisParaSet", 4,
     [](ByteStream& in, Effect&) {
       return M716MotAxisParaSet(board(in), in.pick(17), in.pick(16), value(in), value(in),
                                 value(in), value(in), value(in));
     }},
    {"M716SetStartSpeed", 3,
     [](ByteStream& in, Effect&) { return M716SetStartSpeed(board(in), in.pick(9), value(in)); }},
    {"M716SetDrivingSpeed", 3,
     [](ByteStream& in, Effect&) { return M716SetDrivingSpeed(board(in), in.pick(9), value(in)); }},
    {"M716SetAcceleration", 3,
     [](ByteStream& in, Effect&) { return M716SetAcceleration(board(in), in.pick(9), value(in)); }},
    {"M716SetJerk", 3,
     [](ByteStream& in, Effect&) { return M716SetJerk(board(in), in.pick(9), value(in)); }},
    {"M716SetDeceleration", 3,
     [](ByteStream& in, Effect&) {
       return M716SetDeceleration(board(in), in.pick(9), value(in), position(in));
     }},
    {"M716SetRange", 3,
     [](ByteStream& in, Effect&) { return M716SetRange(board(in), in.pick(9), value(in)); }},
    {"M716GetAcel", 2,
     [](ByteStream& in, Effect&) {
       std::uint32_t v = 0;
       return M716GetAcel(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetSpeed", 2,
     [](ByteStream& in, Effect&) {
       std::uint32_t v = 0;
       return M716GetSpeed(board(in), oneAxis(in), out(in, v));
     }},
    {"M716MotAxisBusy", 2,
     [](ByteStream& in, Effect&) { return M716MotAxisBusy(board(in), axes(in)); }},
    {"M716MotPtp", 6,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(
           b, a,
           M716MotPtp(b, a, in.pick(16), position(in), position(in), position(in), position(in)),
           effect.drives);
     }},
    {"M716MoveAbs", 3,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = oneAxis(in);
       return drivesIf(b, a, M716MoveAbs(b, a, position(in)), effect.drives);
     }},
    {"M716MoveIns", 3,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = oneAxis(in);
       return drivesIf(b, a, M716MoveIns(b, a, position(in)), effect.drives);
     }},
    {"M716MotCmove", 4,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(b, a, M716MotCmove(b, a, in.pick(16)), effect.drives);
     }},
    {"M716MotChgDV", 3,
     [](ByteStream& in, Effect&) { return M716MotChgDV(board(in), oneAxis(in), value(in)); }},
    {"M716MotStop", 6,
     [](ByteStream& in, Effect&) { return M716MotStop(board(in), in.pick(17), in.pick(16)); }},
    {"M716MotClrErr", 2,
     [](ByteStream& in, Effect&) { return M716MotClrErr(board(in), axes(in)); }},
    {"M716MotLine", 4,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(
           b, a,
           M716MotLine(b, a, flag(in), position(in), position(in), position(in), position(in)),
           effect.drives);
     }},
    {"M716MotArc", 4,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(b, a,
                       M716MotArc(b, a, flag(in), flag(in), position(in), position(in),
                                  position(in), position(in)),
                       effect.drives);
     }},
    {"M716MotArcTheta", 3,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(b, a, M716MotArcTheta(b, a, flag(in), position(in), position(in), angle(in)),
                       effect.drives);
     }},
    {"M716MoveCircle", 2,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(b, a, M716MoveCircle(b, a, flag(in), position(in), position(in)),
                       effect.drives);
     }},
    {"M716InitialContiBuf", 2,
     [](ByteStream& in, Effect&) { return M716InitialContiBuf(buffer(in), capacity(in)); }},
    {"M716FreeContiBuf", 1, [](ByteStream& in, Effect&) { return M716FreeContiBuf(buffer(in)); }},
    {"M716SetContiData", 4,
     [](ByteStream& in, Effect&) {
       M716ContiPoint point = pathPoint(in);
       const std::uint32_t n = buffer(in);
       return M716SetContiData(n, out(in, point), in.pick(8) == 0 ? in.word() : in.pick(10));
     }},
    {"M716StartContiDrive", 6,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = in.pick(2) == 0 ? axes(in) : choose(in, {3, 5, 12});
       const std::uint32_t n = buffer(in);
       if (in.pick(2) == 0) fillLines(in, n);
       const std::uint32_t result = M716StartContiDrive(b, a, n);
       // The driver loads the first segment at the board's next interrupt: let it come now,
       // so that the drive it starts belongs to this call.
       if (result == M716_OK) M716SimAdvance(0.0001);
       return drivesIf(b, a, result, effect.drives);
     }},
    {"M716GetCurContiNum", 2,
     [](ByteStream& in, Effect&) {
       std::int32_t v = 0;
       return M716GetCurContiNum(board(in), out(in, v));
     }},
    {"M716GetContiUnderruns", 2,
     [](ByteStream& in, Effect&) {
       std::uint32_t v = 0;
       return M716GetContiUnderruns(board(in), out(in, v));
     }},
    {"M716MotChgLineArcDV", 2,
     [](ByteStream& in, Effect&) { return M716MotChgLineArcDV(board(in), value(in)); }},
    {"M716MotHome", 2,
     [](ByteStream& in, Effect& effect) {
       const std::uint32_t b = board(in), a = axes(in);
       return drivesIf(b, a, M716MotHome(b, a), effect.homes);
     }},
    {"M716MotHomeStatus", 3,
     [](ByteStream& in, Effect&) {
       std::int32_t v = 0;
       return M716MotHomeStatus(board(in), oneAxis(in), out(in, v));
     }},
    {"M716MotExtMode", 2,
     [](ByteStream& in, Effect&) {
       return M716MotExtMode(board(in), oneAxis(in), in.pick(18), position(in));
     }},
    {"M716MotDI", 2,
     [](ByteStream& in, Effect&) {
       std::uint8_t v = 0;
       return M716MotDI(board(in), oneAxis(in), out(in, v));
     }},
    {"M716MotDO", 2,
     [](ByteStream& in, Effect&) { return M716MotDO(board(in), oneAxis(in), value(in)); }},
    {"M716MotReset", 1, [](ByteStream& in, Effect&) { return M716MotReset(board(in)); }},
    {"M716MotEnableEvent", 3,
     [](ByteStream& in, Effect&) {
       return M716MotEnableEvent(board(in), axes(in), in.byte(), in.byte(), in.byte(), in.byte());
     }},
    {"M716MotCheckEvent", 3,
     [](ByteStream& in, Effect&) {
       std::uint32_t v = 0;
       return M716MotCheckEvent(board(in), out(in, v), in.pick(3));
     }},
    {"M716GetPracticalRegister", 2,
     [](ByteStream& in, Effect&) {
       std::int32_t v = 0;
       return M716GetPracticalRegister(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetTheorecticalRegister", 2,
     [](ByteStream& in, Effect&) {
       std::int32_t v = 0;
       return M716GetTheorecticalRegister(board(in), oneAxis(in), out(in, v));
     }},
    {"M716SetPracticalRegister", 2,
     [](ByteStream& in, Effect&) {
       return M716SetPracticalRegister(board(in), oneAxis(in), position(in));
     }},
    {"M716SetTheorecticalRegister", 2,
     [](ByteStream& in, Effect&) {
       return M716SetTheorecticalRegister(board(in), oneAxis(in), position(in));
     }},
    {"M716SetCompPLimit", 2,
     [](ByteStream& in, Effect&) {
       return M716SetCompPLimit(board(in), oneAxis(in), position(in));
     }},
    {"M716SetCompNLimit", 2,
     [](ByteStream& in, Effect&) {
       return M716SetCompNLimit(board(in), oneAxis(in), position(in));
     }},
    {"M716EnableCompPLimit", 1,
     [](ByteStream& in, Effect&) {
       return M716EnableCompPLimit(board(in), oneAxis(in), flag(in));
     }},
    {"M716EnableCompNLimit", 1,
     [](ByteStream& in, Effect&) {
       return M716EnableCompNLimit(board(in), oneAxis(in), flag(in));
     }},
    {"M716SetPLimitLogic", 1,
     [](ByteStream& in, Effect&) { return M716SetPLimitLogic(board(in), oneAxis(in), flag(in)); }},
    {"M716SetNLimitLogic", 1,
     [](ByteStream& in, Effect&) { return M716SetNLimitLogic(board(in), oneAxis(in), flag(in)); }},
    {"M716SetCompareObject", 1,
     [](ByteStream& in, Effect&) {
       return M716SetCompareObject(board(in), oneAxis(in), flag(in));
     }},
    {"M716SetPulseMode", 1,
     [](ByteStream& in, Effect&) { return M716SetPulseMode(board(in), oneAxis(in), flag(in)); }},
    {"M716SetPulseLogic", 1,
     [](ByteStream& in, Effect&) { return M716SetPulseLogic(board(in), oneAxis(in), flag(in)); }},
    {"M716SetPulseDirLogic", 1,
     [](ByteStream& in, Effect&) {
       return M716SetPulseDirLogic(board(in), oneAxis(in), flag(in));
     }},
    {"M716SetEncoderMultiple", 1,
     [](ByteStream& in, Effect&) {
       return M716SetEncoderMultiple(board(in), oneAxis(in), in.pick(4));
     }},
    {"M716SetServoAlarm", 1,
     [](ByteStream& in, Effect&) {
       return M716SetServoAlarm(board(in), oneAxis(in), flag(in), flag(in));
     }},
    {"M716SetInPosition", 1,
     [](ByteStream& in, Effect&) {
       return M716SetInPosition(board(in), oneAxis(in), flag(in), flag(in));
     }},
    {"M716SetHomeLogic", 1,
     [](ByteStream& in, Effect&) { return M716SetHomeLogic(board(in), oneAxis(in), flag(in)); }},
    {"M716SetZLogic", 1,
     [](ByteStream& in, Effect&) { return M716SetZLogic(board(in), oneAxis(in), flag(in)); }},
    {"M716SetInputLogic", 1,
     [](ByteStream& in, Effect&) {
       return M716SetInputLogic(board(in), oneAxis(in), flag(in), flag(in));
     }},
    {"M716SetOutput", 1,
     [](ByteStream& in, Effect&) { return M716SetOutput(board(in), oneAxis(in), in.pick(17)); }},
    {"M716SetOutputType", 1,
     [](ByteStream& in, Effect&) { return M716SetOutputType(board(in), oneAxis(in), flag(in)); }},
    {"M716GetError", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetError(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetDriverState", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetDriverState(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetMotionState", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetMotionState(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetMotionInput", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetMotionInput(board(in), oneAxis(in), out(in, v));
     }},
    {"M716GetCompareState", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetCompareState(board(in), oneAxis(in), out(in, v));
     }},
    {"M716BuildCompTable", 2,
     [](ByteStream& in, Effect&) {
       const std::uint32_t b = board(in), a = oneAxis(in), count = in.pick(5);
       return M716BuildCompTable(b, a, table<std::int32_t>(in, count, position), count);
     }},
    {"M716BuildSpeedTable", 2,
     [](ByteStream& in, Effect&) {
       const std::uint32_t b = board(in), a = oneAxis(in), count = in.pick(5);
       return M716BuildSpeedTable(b, a, table<M716SpeedTableEntry>(in, count, speedEntry), count);
     }},
    {"M716GetInput", 1,
     [](ByteStream& in, Effect&) {
       std::int16_t v = 0;
       return M716GetInput(board(in), oneAxis(in), out(in, v));
     }},
};

constexpr std::uint32_t totalWeight() {
  std::uint32_t total = 0;
  for (const Call& call : kCalls) total += call.weight;
  return total;
}

const Call& chooseCall(ByteStream& in) {
  std::uint32_t ticket = (static_cast<std::uint32_t>(in.byte()) << 8 | in.byte()) % totalWeight();
  for (const Call& call : kCalls) {
    if (ticket < call.weight) return call;
    ticket -= call.weight;
  }
  return kCalls[0];
}

std::array<std::uint32_t, kAxisCount> driveStartsNow() {
  std::array<std::uint32_t, kAxisCount> starts{};
  for (std::uint32_t index = 0; index < kAxisCount; ++index)
    starts[index] = M716SimDriveStarts(kSimBase, 1u << index);
  return starts;
}

void setDword(const std::string& key, const char* name, std::uint32_t value) {
  platform::RegKey handle;
  platform::registry().createKey(key, handle);
  handle.setDword(name, value);
}

}  // namespace

std::uint8_t ByteStream::byte() {
  return empty() ? 0 : data_[next_++];
}

std::uint32_t ByteStream::word() {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | byte();
  return value;
}

ApiFuzzer::ApiFuzzer() {
  setDword(keys::kHardwareBranch, keys::kBoardsInUse, 0x3);
  setDword(keys::hardwareKey(0), keys::kBaseAddress, kSimBase);
  setDword(keys::hardwareKey(0), keys::kInterrupt, 5);
  setDword(keys::hardwareKey(1), keys::kBaseAddress, 0x340);  // nothing answers there
  setDword(keys::hardwareKey(1), keys::kInterrupt, 7);
  M716SimReload();
  M716SimSetSpeedFactor(0);
}

ApiFuzzer::~ApiFuzzer() {
  for (std::uint32_t board = 0; board < 2; ++board) M716MotDevClose(board);
}

std::string ApiFuzzer::callOnce(ByteStream& in) {
  const auto before = driveStartsNow();
  const std::uint32_t clampsBefore = M716SimClampedLoads(kSimBase);
  const std::uint32_t homingBefore = homing_;
  const Call& call = chooseCall(in);
  Effect effect;
  if (call.run(in, effect) == M716_OK) ++accepted_;
  ++calls_;
  M716SimAdvance(in.pick(40) * 0.001);

  homing_ |= effect.homes;
  const auto after = driveStartsNow();
  std::string violation;
  if (M716SimClampedLoads(kSimBase) != clampsBefore)
    violation = std::string(call.name) + ": a register load the chip had to clamp";
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    const std::uint32_t axis = 1u << index;
    const bool asked = (effect.drives | effect.homes | homingBefore) & axis;
    driveStarts_ += after[index] - before[index];
    if (after[index] != before[index] && !asked)
      violation = std::string(call.name) + ": axis " + "XYZU"[index] +
                  " started a drive no accepted call asked for";
  }
  for (std::uint32_t index = 0; index < kAxisCount; ++index) {
    std::int32_t result = 0;
    const std::uint32_t axis = 1u << index;
    if ((homing_ & axis) && M716MotHomeStatus(0, axis, &result) == M716_OK &&
        result != M716_ERR_IN_HOME)
      homing_ &= ~axis;
  }
  return violation;
}

std::vector<std::string> ApiFuzzer::run(ByteStream& stream, std::size_t most) {
  std::vector<std::string> violations;
  for (std::size_t n = 0; n < most && !stream.empty(); ++n) {
    std::string violation = callOnce(stream);
    if (!violation.empty()) violations.push_back(std::move(violation));
  }
  return violations;
}

}  // namespace m716::fuzz
