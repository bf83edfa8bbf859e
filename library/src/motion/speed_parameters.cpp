#include "motion/speed_parameters.h"

#include <algorithm>

namespace m716 {

double candidateMultiplier(std::uint32_t sv, std::uint32_t dv, std::uint32_t mdv,
                           std::uint32_t ac, std::uint32_t ak) {
  return std::max({1.0, dv / 8000.0, mdv / 8000.0, sv / 8000.0, ac / 1'000'000.0,
                   ak / 62'500'000.0});
}

std::uint32_t rangeFor(double multiplier) {
  return static_cast<std::uint32_t>(8'000'000 / multiplier);
}

void deriveInterpolationScale(InterpolationSet& set) {
  const double m = candidateMultiplier(set.sv, set.dv, set.mdv, set.ac, set.ak);
  set.multiplier = std::clamp(m, kMinInterpolationMultiplier, kMaxInterpolationMultiplier);
  set.range = rangeFor(set.multiplier);
}

}  // namespace m716
