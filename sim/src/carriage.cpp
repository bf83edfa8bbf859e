#include "carriage.h"

namespace m716::sim {

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
      return position_ >= mechanics_.homeFrom && position_ <= mechanics_.homeTo;
    case Input::limitPlus:
      return position_ >= mechanics_.limitPlus;
    case Input::limitMinus:
      return position_ <= mechanics_.limitMinus;
    default:
      return false;
  }
}

}  // namespace m716::sim
