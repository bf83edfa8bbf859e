#include "carriage.h"

#include <limits>

namespace m716::sim {
namespace {

constexpr std::int64_t kFar = std::numeric_limits<std::int32_t>::max() * std::int64_t{4};

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
  std::int64_t quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

}  // namespace

Carriage::Carriage(const AxisMechanics& mechanics)
    : mechanics_(mechanics),
      position_(mechanics.startPosition),
      limitPlus_{mechanics.limitPlus, kFar},
      limitMinus_{-kFar, mechanics.limitMinus},
      home_{mechanics.homeFrom, mechanics.homeTo} {
  placeAt(position_);
}

void Carriage::Zone::follow(std::int64_t position, bool fresh) {
  if (position >= from && position <= to) {
    operated = true;
  } else if (fresh || position < from - 1 || position > to + 1) {
    operated = false;
  }
}

void Carriage::moveBy(std::int64_t pulses) {
  position_ = static_cast<std::int32_t>(position_ + pulses);
  for (Zone* zone : {&limitPlus_, &limitMinus_, &home_}) zone->follow(position_, false);
}

void Carriage::placeAt(std::int32_t position) {
  position_ = position;
  for (Zone* zone : {&limitPlus_, &limitMinus_, &home_}) zone->follow(position_, true);
}

bool Carriage::atIndex() const {
  if (mechanics_.indexPitch <= 0) return false;
  std::int64_t fromOffset = std::int64_t{position_} - mechanics_.indexOffset;
  return fromOffset % mechanics_.indexPitch == 0;
}

bool Carriage::switchOperated(Input input) const {
  switch (input) {
    case Input::in0:
      return atIndex();
    case Input::in3:
      return home_.operated;
    case Input::limitPlus:
      return limitPlus_.operated;
    case Input::limitMinus:
      return limitMinus_.operated;
    default:
      return false;
  }
}

void Carriage::appendSwitchEdges(std::vector<std::int64_t>& edges, bool withHome,
                                 bool withIndex) const {
  // Operate on entering the zone, release past the pulse of hysteresis.
  edges.insert(edges.end(),
               {limitPlus_.from, limitPlus_.from - 1, limitMinus_.to + 1, limitMinus_.to + 2});
  if (withHome) edges.insert(edges.end(), {home_.from, home_.from - 1, home_.to + 1, home_.to + 2});
  if (withIndex && mechanics_.indexPitch > 0) {
    const std::int64_t pitch = mechanics_.indexPitch;
    const std::int64_t below =
        floorDiv(position_ - mechanics_.indexOffset, pitch) * pitch + mechanics_.indexOffset;
    for (std::int64_t mark : {below, below + pitch}) edges.insert(edges.end(), {mark, mark + 1});
  }
}

}  // namespace m716::sim
