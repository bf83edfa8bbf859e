// Linear and circular interpolation: lines through two or three axes, arcs on two axes given by
// their end point or their swept angle, full circles, and the change of a path's speed.

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <numbers>

#include "KRVM716.h"
#include "device/arguments.h"
#include "device/chip_values.h"
#include "device/guarded.h"
#include "device/ports.h"
#include "device/registers.h"
#include "motion/drives.h"
#include "motion/path_loading.h"

namespace m716 {
namespace {

constexpr double kTwoPi = 6.283185307;  // the value the arc's step count has always used
constexpr double kInverseTwoPi = 0.15915494309644432;
constexpr double kHalfTurnsPerDegree = 0.005555555555555556;
constexpr double kPi = 3.1415926535;
constexpr double kFullTurn = 360;
constexpr double kFlatTurn = 0.001;  // a rotated end this close to the start's line is on it

bool isAxisPair(std::uint32_t axes) {
  return axes <= kAllAxes && std::popcount(axes) == 2;
}
bool isLineSelection(std::uint32_t axes) {
  return axes < kAllAxes && (std::popcount(axes) == 2 || std::popcount(axes) == 3);
}

// The busy test of the axes and of the interpolator, then the values the path will load.
std::uint32_t checkPathStart(std::uint32_t board, std::uint32_t axes, std::uint32_t count,
                             PathForm form) {
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  if (std::uint32_t error = checkInterpolatorFree(board)) return error;
  return checkPathSpeeds(boards[board].interpolation, count, form);
}

std::uint32_t readPosition(std::uint32_t board, std::uint32_t axis, std::int64_t& position) {
  std::uint32_t raw = 0;
  if (std::uint32_t error = readRegister(board, axis, M716_REG_LOGICAL_POSITION, raw)) return error;
  position = static_cast<std::int32_t>(raw);
  return M716_OK;
}

std::uint32_t checkTargets(const AxisRecord& axis, std::int64_t first, std::int64_t second) {
  if (first > axis.plmt || second > axis.plmt) return M716_ERR_PLMT_OVER;
  if (first < axis.nlmt || second < axis.nlmt) return M716_ERR_NLMT_OVER;
  return M716_OK;
}

bool exceedsPathOffset(std::int64_t offset) {
  return std::llabs(offset) > chip::kMaxPathOffset;
}

// ---- Lines ----

struct LinePlan {
  PathAxes axes;
  std::array<std::int32_t, kMaxPathAxes> finish{};  // relative to the start
};

std::uint32_t planLineAxis(std::uint32_t board, std::uint32_t axis, bool absolute,
                           std::int32_t value, std::int32_t& finish) {
  std::int64_t position = 0;
  if (std::uint32_t error = readPosition(board, axis, position)) return error;
  const std::int64_t end = absolute ? value : position + value;
  if (std::uint32_t error = checkTargets(boards[board].axes[axisIndex(axis)], end, end))
    return error;
  if (exceedsPathOffset(end - position)) return M716_ERR_DISTANCE;
  finish = static_cast<std::int32_t>(end - position);
  return M716_OK;
}

void startLine(std::uint32_t board, const LinePlan& plan) {
  for (std::uint32_t role = 0; role < plan.axes.count; ++role) {
    const std::uint32_t axis = plan.axes.masks[role];
    if (role == 0) loadPathMainAxis(board, axis, PathForm::line);
    loadPathAxisRange(board, axis, role, PathForm::line);
    boards[board].axes[axisIndex(axis)].outputPulses = plan.finish[role];
    issueAxisCommand(board, axis, chip::SetOutputPulses);
  }
  writeCommand(board, 0, chip::InterpolationDecelerationOn);
  writePortWord(board, chip::WR5, interpolationModeWord(plan.axes));
  writeCommand(board, 0,
               plan.axes.count == kMaxPathAxes ? chip::InterpolateLine3 : chip::InterpolateLine2);
}

// Every axis is checked before the chip is programmed, so a refused line writes nothing.
std::uint32_t line(std::uint32_t board, std::uint32_t axes, bool absolute,
                   const std::array<std::int32_t, kAxisCount>& values) {
  if (!isLineSelection(axes)) return M716_ERR_AXIS_NUMBER;
  std::lock_guard lock(boardLock(board));
  LinePlan plan{pathAxesOf(axes)};
  if (std::uint32_t error = checkPathStart(board, axes, plan.axes.count, PathForm::line))
    return error;
  for (std::uint32_t role = 0; role < plan.axes.count; ++role) {
    const std::uint32_t axis = plan.axes.masks[role];
    if (std::uint32_t error =
            planLineAxis(board, axis, absolute, values[axisIndex(axis)], plan.finish[role]))
      return error;
  }
  startLine(board, plan);
  return M716_OK;
}

// ---- Arcs ----

struct ArcRequest {
  bool absolute = false;
  bool ccw = false;
  bool fullCircle = false;
  std::array<std::int32_t, 2> center{}, end{};
};

struct ArcPlan {
  PathAxes axes;
  bool ccw = false;
  std::array<std::int32_t, 2> center{}, end{};  // relative to the start
  double steps = 0;                             // octant steps of the whole arc
};

// The angle an arc sweeps from its start to its end point, in (0, 2π]; an end on the start
// sweeps the full circle.
double sweptAngle(const ArcPlan& arc) {
  const double c1 = arc.center[0], c2 = arc.center[1];
  const double u = arc.end[0] - c1, v = arc.end[1] - c2;
  // Negated as integers: a center on an axis gives +0, never -0, to the arc tangent.
  const auto negated = [](std::int32_t value) { return static_cast<double>(-std::int64_t{value}); };
  const double a0 = -std::atan2(negated(arc.center[1]), negated(arc.center[0]));
  const double x = u * std::cos(a0) - v * std::sin(a0);
  double y = u * std::sin(a0) + v * std::cos(a0);
  if (y > -kFlatTurn && y < kFlatTurn) y = 0;
  const double theta = std::atan2(y, x);
  if (!arc.ccw) return y >= 0 ? kTwoPi - theta : -theta;
  if (y < 0) return theta + kTwoPi;
  return y == 0 && x > 0 ? kTwoPi : theta;
}

double radiusOf(const ArcPlan& arc) {
  const double c1 = arc.center[0], c2 = arc.center[1];
  return std::sqrt(c1 * c1 + c2 * c2);
}

// The chip counts an arc in octant steps, 4·√2·r for a whole circle.
double arcSteps(const ArcPlan& arc) {
  const double circle = std::trunc(std::numbers::sqrt2 * radiusOf(arc) * 4);
  return std::trunc(circle * sweptAngle(arc) * kInverseTwoPi);
}
double circleSteps(const ArcPlan& arc) {
  return std::trunc(radiusOf(arc) * std::numbers::sqrt2 * 8 * 0.5);
}

// Where the main axis begins to decelerate so that the ramp from DV down to SV ends with the
// arc (an arc too short for both ramps gives the way down its share), moved by the board's
// deceleration-point offset; counted at k = 8 000 000 / the main axis's range. A deceleration
// of 0 leaves the chip decelerating with the acceleration, so the way down is counted with it.
double decelerationPoint(const BoardRecord& record, const AxisRecord& main, double steps) {
  const InterpolationSet& set = record.interpolation;
  const double k = kReferenceRate / main.rg;
  const double dv = set.dv, sv = set.sv;
  const double ramp = std::max(0.0, dv * dv - sv * sv);
  const double deceleration = set.dc != 0 ? set.dc : set.ac;
  const double arc = std::trunc(steps * k);
  const double up = std::trunc(std::trunc(ramp / (2.0 * set.ac)) * k);
  double down = std::trunc(std::trunc(ramp / (2.0 * deceleration)) * k);
  if (arc < up + down) down = std::trunc(down / (up + down) * arc);
  return std::trunc(record.decelerationOffset * k) - down + arc;
}

// With manual deceleration enabled the main axis decelerates from its deceleration point;
// without it the deceleration point is 0 and the path runs at its speed to the end.
void loadArcDeceleration(std::uint32_t board, std::uint32_t axis, double steps) {
  BoardRecord& record = boards[board];
  AxisRecord& main = record.axes[axisIndex(axis)];
  const bool manual = record.manualDeceleration != 0;
  const std::uint32_t point =
      manual ? clampTo(decelerationPoint(record, main, steps), 0, UINT32_MAX) : 0;
  main.decelerationPoint = record.lastDecelerationPoint = point;
  issueAxisCommand(board, axis, chip::SetDecelerationPoint);
  writeCommand(board, 0,
               manual ? chip::InterpolationDecelerationOn : chip::InterpolationDecelerationOff);
}

void startArc(std::uint32_t board, const ArcPlan& plan) {
  for (std::uint32_t role = 0; role < 2; ++role) {
    const std::uint32_t axis = plan.axes.masks[role];
    AxisRecord& record = boards[board].axes[axisIndex(axis)];
    record.circleCenter = plan.center[role];
    record.outputPulses = plan.end[role];
    if (role == 0) {
      loadPathMainAxis(board, axis, PathForm::arc);
      loadArcDeceleration(board, axis, plan.steps);
    }
    loadPathAxisRange(board, axis, role, PathForm::arc);
    issueAxisCommand(board, axis, chip::SetCircleCenter);
    issueAxisCommand(board, axis, chip::SetOutputPulses);
  }
  writePortWord(board, chip::WR5, interpolationModeWord(plan.axes));
  writeCommand(board, 0, plan.ccw ? chip::InterpolateArcCcw : chip::InterpolateArcCw);
}

// Reads the axis's position and checks its center and end point, absolute or relative alike:
// against the software limits, and as offsets from the start against what the chip's center
// and finish registers hold.
std::uint32_t planArcAxis(std::uint32_t board, const ArcRequest& request, std::uint32_t role,
                          ArcPlan& plan) {
  const std::uint32_t axis = plan.axes.masks[role];
  std::int64_t position = 0;
  if (std::uint32_t error = readPosition(board, axis, position)) return error;
  const std::int64_t center = request.center[role] - (request.absolute ? position : 0);
  const std::int64_t end = request.end[role] - (request.absolute ? position : 0);
  if (std::uint32_t error =
          checkTargets(boards[board].axes[axisIndex(axis)], position + center, position + end))
    return error;
  if (exceedsPathOffset(center) || exceedsPathOffset(end)) return M716_ERR_DISTANCE;
  plan.center[role] = static_cast<std::int32_t>(center);
  plan.end[role] = static_cast<std::int32_t>(end);
  return M716_OK;
}

// Both axes are checked and the deceleration point computed from the offsets before the chip
// is programmed, so a refused arc writes nothing.
std::uint32_t arc(std::uint32_t board, std::uint32_t axes, const ArcRequest& request) {
  if (!isAxisPair(axes)) return M716_ERR_AXIS_NUMBER;
  std::lock_guard lock(boardLock(board));
  ArcPlan plan{pathAxesOf(axes), request.ccw};
  if (std::uint32_t error = checkPathStart(board, axes, 2, PathForm::arc)) return error;
  for (std::uint32_t role = 0; role < 2; ++role)
    if (std::uint32_t error = planArcAxis(board, request, role, plan)) return error;
  // A center on the start leaves no circle to run.
  if (plan.center == decltype(plan.center){}) return M716_ERR_PARAMETER_INVALID;
  plan.steps = request.fullCircle ? circleSteps(plan) : arcSteps(plan);
  startArc(board, plan);
  return M716_OK;
}

// ---- Arcs by their swept angle ----

// The nearest whole pulse, exact halves toward zero.
double nearestPulse(double value) {
  return value >= 0 ? std::ceil(value - 0.5) : std::floor(value + 0.5);
}

// An end point that no 32-bit position can hold lies beyond any limit (absolute) or farther
// than any arc reaches (relative).
std::uint32_t toEndPoint(double value, bool absolute, std::int32_t& end) {
  const double pulse = nearestPulse(value);
  if (pulse > INT32_MAX) return absolute ? M716_ERR_PLMT_OVER : M716_ERR_DISTANCE;
  if (pulse < INT32_MIN) return absolute ? M716_ERR_NLMT_OVER : M716_ERR_DISTANCE;
  end = static_cast<std::int32_t>(pulse);
  return M716_OK;
}

// The end point, in the request's own terms, of the arc around its center that sweeps `angle`
// degrees (positive clockwise) from where the axes stand.
std::uint32_t endOfSweep(std::uint32_t board, std::uint32_t axes, double angle,
                         ArcRequest& request) {
  const PathAxes pair = pathAxesOf(axes);
  std::array<std::int64_t, 2> position{};
  for (std::uint32_t role = 0; role < 2; ++role)
    if (std::uint32_t error = readPosition(board, pair.masks[role], position[role])) return error;
  const double u = static_cast<double>(request.center[0] - (request.absolute ? position[0] : 0));
  const double v = static_cast<double>(request.center[1] - (request.absolute ? position[1] : 0));
  if (u == 0 && v == 0) return M716_ERR_PARAMETER_INVALID;
  const double r = std::sqrt(u * u + v * v);
  const double start = v <= 0 ? std::acos(-u / r) : u > 0 ? -std::acos(-u / r) : std::asin(-v / r);
  const double finish = start + -angle * kHalfTurnsPerDegree * kPi;
  if (std::uint32_t error =
          toEndPoint(r * std::cos(finish) + request.center[0], request.absolute, request.end[0]))
    return error;
  return toEndPoint(r * std::sin(finish) + request.center[1], request.absolute, request.end[1]);
}

std::uint32_t arcByAngle(std::uint32_t board, std::uint32_t axes, ArcRequest request,
                         double angle) {
  if (!isAxisPair(axes)) return M716_ERR_AXIS_NUMBER;
  std::lock_guard lock(boardLock(board));
  if (std::uint32_t error = checkAxesFree(board, axes)) return error;
  if (!(angle >= -kFullTurn && angle <= kFullTurn) || angle == 0) return M716_ERR_PARAMETER_INVALID;
  request.ccw = angle < 0;
  if (std::uint32_t error = endOfSweep(board, axes, angle, request)) return error;
  return arc(board, axes, request);
}

// ---- Path speed ----

// While the path's main axis drives, the new speed is converted by the multiplier its speeds
// were loaded with, so a change of the interpolation set since cannot change the running
// path's speed unexpectedly; otherwise by the set's own, with which the next path loads it.
std::uint32_t changePathSpeed(std::uint32_t board, std::uint32_t dv) {
  BoardRecord& record = boards[board];
  const std::uint32_t axis = record.pathFirstAxis;
  if (axis == 0) return M716_ERR_SPEED_INVALID;
  std::lock_guard lock(boardLock(board));
  const double m = drivingAxes(board) & axis ? record.axes[axisIndex(axis)].multiplierInForce
                                             : record.interpolation.multiplier;
  const Fit fit = speedFit(dv, m);
  if (dv > record.interpolation.mdv || fit == Fit::above) return M716_ERR_VALUE_OVER;
  if (dv != 0 && fit == Fit::below) return M716_ERR_VALUE_UNDER;
  record.interpolation.dv = dv;
  writeWordCommand(board, axis, chip::SetDriveSpeed,
                   static_cast<std::uint16_t>(speedRegister(dv, m)));
  return M716_OK;
}

}  // namespace
}  // namespace m716

using namespace m716;

extern "C" KRVM716_API uint32_t M716MotLine(uint32_t board, uint32_t axes, uint32_t absolute,
                                            int32_t x, int32_t y, int32_t z, int32_t u) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return line(board, axes & 0xFF, absolute != 0, {x, y, z, u});
  });
}

extern "C" KRVM716_API uint32_t M716MotArc(uint32_t board, uint32_t axes, uint32_t absolute,
                                           uint32_t ccw, int32_t c1, int32_t c2, int32_t e1,
                                           int32_t e2) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return arc(board, axes & 0xFF, {absolute != 0, ccw != 0, false, {c1, c2}, {e1, e2}});
  });
}

extern "C" KRVM716_API uint32_t M716MotArcTheta(uint32_t board, uint32_t axes, uint32_t absolute,
                                                int32_t c1, int32_t c2, double angle) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return arcByAngle(board, axes & 0xFF, {absolute != 0, false, false, {c1, c2}, {}}, angle);
  });
}

extern "C" KRVM716_API uint32_t M716MoveCircle(uint32_t board, uint32_t axes, uint32_t ccw,
                                               int32_t c1, int32_t c2) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return arc(board, axes & 0xFF, {false, ccw != 0, true, {c1, c2}, {0, 0}});
  });
}

extern "C" KRVM716_API uint32_t M716MotChgLineArcDV(uint32_t board, uint32_t dv) {
  return guarded(kSystemFailure, [&]() -> std::uint32_t {
    if (std::uint32_t error = maskAndCheckBoard(board)) return error;
    return changePathSpeed(board, dv);
  });
}
