#include "path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "profile.h"

namespace m716::sim {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kOctant = std::numbers::pi / 4;
// Path positions closer than this, in pulses, are one point.
constexpr double kSamePoint = 1e-6;

std::int64_t nearest(double value) {
  return static_cast<std::int64_t>(std::floor(value + 0.5));
}

int sign(double value) {
  return (value > 0) - (value < 0);
}

// `angle` brought into [0, 2π).
double wrapped(double angle) {
  double result = std::fmod(angle, kTwoPi);
  return result < 0 ? result + kTwoPi : result;
}

// Whether the second axis moves faster than the first on the circle in octant `index` (0..7,
// counter-clockwise from angle 0): near the first axis, where |cos| > |sin|.
bool secondIsMajor(int index) {
  return index == 0 || index == 3 || index == 4 || index == 7;
}

// The position at which the rising function `stepsAt` reaches `steps`, within [0, length].
template <class Steps>
double bisectSteps(Steps stepsAt, double steps, double length) {
  double low = 0, high = length;
  for (int i = 0; i < 64 && high - low > 1e-9; ++i) {
    double middle = (low + high) / 2;
    (stepsAt(middle) < steps ? low : high) = middle;
  }
  return high;
}

class AxisPath final : public Path {
 public:
  AxisPath(int direction, double pulses) : direction_(direction), pulses_(pulses) {}

  std::size_t axisCount() const override { return 1; }
  double length() const override { return pulses_; }
  Offsets offsetsAt(double position) const override {
    double done = position >= pulses_ ? pulses_ : std::floor(position + 1e-9);
    return {direction_ * static_cast<std::int64_t>(done), 0, 0};
  }
  double reach(std::size_t, std::int64_t boundary, double from) const override {
    // Moving up the k-th pulse takes the offset from k - 1 to k; moving down, from 1 - k to -k.
    double at = static_cast<double>(direction_ > 0 ? boundary : 1 - boundary);
    return at > from && at <= pulses_ ? at : kForever;
  }
  int direction(std::size_t, double) const override { return direction_; }
  double speedShare(std::size_t, double) const override { return 1; }
  double stepsAt(double position) const override { return position; }
  double positionAtSteps(double steps) const override { return steps; }

 private:
  int direction_;
  double pulses_;
};

class LinePath final : public Path {
 public:
  LinePath(const Offsets& finish, std::size_t axisCount) : finish_(finish), axisCount_(axisCount) {
    double squares = 0;
    for (std::size_t slot = 0; slot < axisCount_; ++slot) {
      double d = static_cast<double>(finish_[slot]);
      squares += d * d;
      longest_ = std::max(longest_, std::abs(d));
    }
    length_ = std::sqrt(squares);
  }

  std::size_t axisCount() const override { return axisCount_; }
  double length() const override { return length_; }
  Offsets offsetsAt(double position) const override {
    if (position >= length_) return finish_;
    Offsets offsets{};
    for (std::size_t slot = 0; slot < axisCount_; ++slot)
      offsets[slot] = nearest(share(slot) * position);
    return offsets;
  }
  double reach(std::size_t slot, std::int64_t boundary, double from) const override {
    if (finish_[slot] == 0) return kForever;
    double at = (static_cast<double>(boundary) - 0.5) / share(slot);
    return at > from && at <= length_ ? at : kForever;
  }
  int direction(std::size_t slot, double) const override { return sign(double(finish_[slot])); }
  double speedShare(std::size_t slot, double) const override { return std::abs(share(slot)); }
  double stepsAt(double position) const override {
    return length_ > 0 ? position * longest_ / length_ : 0;
  }
  double positionAtSteps(double steps) const override {
    return longest_ > 0 ? steps * length_ / longest_ : 0;
  }

 private:
  double share(std::size_t slot) const { return static_cast<double>(finish_[slot]) / length_; }

  Offsets finish_;
  std::size_t axisCount_;
  double length_ = 0;
  double longest_ = 0;
};

class ArcPath final : public Path {
 public:
  ArcPath(std::int64_t center1, std::int64_t center2, std::int64_t finish1, std::int64_t finish2,
          bool clockwise)
      : center_{double(center1), double(center2)}, turn_(clockwise ? -1 : 1) {
    radius_ = std::hypot(center_[0], center_[1]);
    startAngle_ = std::atan2(-center_[1], -center_[0]);
    if (radius_ == 0) return;  // no circle: done where it starts
    double sweep = wrapped(turn_ * (stopAngle(double(finish1), double(finish2)) - startAngle_));
    // The end test acts only once the axes have moved: a stop on the start is a full circle.
    if (sweep * radius_ < kSamePoint) sweep = kTwoPi;
    length_ = radius_ * sweep;
    finish_ = pointAt(angleAt(length_));
  }

  std::size_t axisCount() const override { return 2; }
  double length() const override { return length_; }
  Offsets offsetsAt(double position) const override {
    return position >= length_ ? finish_ : pointAt(angleAt(position));
  }
  double reach(std::size_t slot, std::int64_t boundary, double from) const override {
    double level = (static_cast<double>(boundary) - 0.5 - center_[slot]) / radius_;
    if (!(std::abs(level) <= 1)) return kForever;
    // The angles at which the coordinate (cosine for the first axis, sine for the second)
    // equals the level.
    double first = slot == 0 ? std::acos(level) : std::asin(level);
    double second = slot == 0 ? -first : std::numbers::pi - first;
    double best = kForever;
    for (double angle : {first, second}) {
      double at = radius_ * wrapped(turn_ * (angle - startAngle_));
      while (at <= from) at += radius_ * kTwoPi;
      best = std::min(best, at);
    }
    return best <= length_ ? best : kForever;
  }
  int direction(std::size_t slot, double position) const override {
    double angle = angleAt(position);
    double rate = slot == 0 ? -std::sin(angle) : std::cos(angle);
    return sign(turn_ * rate);
  }
  double speedShare(std::size_t slot, double position) const override {
    double angle = angleAt(position);
    return std::abs(slot == 0 ? std::sin(angle) : std::cos(angle));
  }
  double stepsAt(double position) const override {
    double swept = radius_ > 0 ? position / radius_ : 0;
    return turn_ > 0 ? octantSteps(startAngle_ + swept) - octantSteps(startAngle_)
                     : octantSteps(startAngle_) - octantSteps(startAngle_ - swept);
  }
  double positionAtSteps(double steps) const override {
    return bisectSteps([this](double position) { return stepsAt(position); }, steps, length_);
  }

 private:
  double angleAt(double position) const {
    return radius_ > 0 ? startAngle_ + turn_ * position / radius_ : startAngle_;
  }
  Offsets pointAt(double angle) const {
    return {nearest(center_[0] + radius_ * std::cos(angle)),
            nearest(center_[1] + radius_ * std::sin(angle)), 0};
  }
  // The chip's end test: in the octant of the finish point seen from the center, the arc stops
  // where the coordinate of the axis that moves faster there (one pulse per step) reaches the
  // finish point's. On the circle that is the finish point; off it, the point of the circle in
  // that octant with that coordinate, or the octant's edge nearest to it when the circle has
  // none (a finish far outside), so that every arc ends.
  double stopAngle(double finish1, double finish2) const {
    const double u = finish1 - center_[0], v = finish2 - center_[1];
    const double octant = std::floor(std::atan2(v, u) / kOctant);  // -4..4
    const double middle = (octant + 0.5) * kOctant;
    const int index = static_cast<int>(octant + 8) % 8;
    double angle;
    if (secondIsMajor(index)) {
      const double level = std::asin(std::clamp(v / radius_, -1.0, 1.0));
      angle = std::cos(middle) > 0 ? level : std::numbers::pi - level;
    } else {
      const double level = std::acos(std::clamp(u / radius_, -1.0, 1.0));
      angle = std::sin(middle) > 0 ? level : -level;
    }
    const double offset = std::remainder(angle - middle, kTwoPi);
    return middle + std::clamp(offset, -kOctant / 2, kOctant / 2);
  }
  // Steps counted counter-clockwise from angle 0 to `angle`: in each octant, the travel of the
  // axis that moves faster there (the second where |cos| > |sin|, else the first).
  double octantSteps(double angle) const {
    double octant = std::floor(angle / kOctant);
    double corner = octant * kOctant;
    int index = static_cast<int>(octant - 8 * std::floor(octant / 8));
    double partial = secondIsMajor(index) ? std::abs(std::sin(angle) - std::sin(corner))
                                          : std::abs(std::cos(angle) - std::cos(corner));
    return radius_ * (octant * std::numbers::sqrt2 / 2 + partial);
  }

  std::array<double, 2> center_;
  Offsets finish_{};  // where the end test stops the arc
  int turn_;
  double radius_ = 0;
  double startAngle_ = 0;
  double length_ = 0;
};

}  // namespace

std::unique_ptr<Path> axisPath(int direction, double pulses) {
  return std::make_unique<AxisPath>(direction, pulses);
}

std::unique_ptr<Path> linePath(const Offsets& finish, std::size_t axisCount) {
  return std::make_unique<LinePath>(finish, axisCount);
}

std::unique_ptr<Path> arcPath(std::int64_t center1, std::int64_t center2, std::int64_t finish1,
                              std::int64_t finish2, bool clockwise) {
  return std::make_unique<ArcPath>(center1, center2, finish1, finish2, clockwise);
}

}  // namespace m716::sim
