#pragma once
// Ownership marks: an advisory lock on a file beside the registry store, by which one holder
// at a time, in this process or any other, marks something (a board) as its own. The system
// drops a mark when its holder closes it or its process ends, however the process ends, so no
// mark outlives its owner; programs the holder starts do not inherit it.
//
// Concurrency: one OwnershipMark from one thread at a time. Marks of one name exclude each
// other, whether they are in one process or in several.

#include <string_view>

#include "m716/platform/export.h"

namespace m716::platform {

enum class MarkStatus {
  taken,          // this object holds the mark (also when it held it already)
  heldElsewhere,  // another holder has it
  unavailable,    // the mark's file cannot be made (a folder without write access)
};

class M716_PLATFORM_API OwnershipMark {
 public:
  OwnershipMark() = default;
  ~OwnershipMark();
  OwnershipMark(const OwnershipMark&) = delete;
  OwnershipMark& operator=(const OwnershipMark&) = delete;

  // Takes the mark `name` of the process-wide registry store (its file is the store's file
  // name followed by "." + name + ".lock"), without waiting.
  MarkStatus take(std::string_view name);
  // Gives the mark back; nothing when this object does not hold it.
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace m716::platform
