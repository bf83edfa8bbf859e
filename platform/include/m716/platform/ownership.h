#pragma once
// Ownership marks: an advisory lock on a file beside the registry store, by which holders in
// this process or any other mark something (a board) as in use. Any number of holders may have
// a mark shared; one alone may have it exclusive, and only while nobody has it shared. The
// system drops a mark when its holder closes it or its process ends, however the process ends,
// so no mark outlives its owner; programs the holder starts do not inherit it.
//
// Concurrency: one OwnershipMark from one thread at a time. Two OwnershipMark objects of one
// name in one process meet as marks in different processes do.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "m716/platform/export.h"

namespace m716::platform {

enum class MarkMode {
  shared,     // waits while another holder has the mark exclusive
  exclusive,  // never waits: refused while anyone else has the mark
};

enum class MarkStatus {
  taken,          // this object holds the mark (also when it held it already, in either mode)
  heldElsewhere,  // another holder has it (for an exclusive take only: a shared one waits)
  unavailable,    // the mark's file cannot be made (a folder without write access)
};

class M716_PLATFORM_API OwnershipMark {
 public:
  OwnershipMark() = default;
  ~OwnershipMark();
  OwnershipMark(const OwnershipMark&) = delete;
  OwnershipMark& operator=(const OwnershipMark&) = delete;

  // Takes the mark `name` of the process-wide registry store (its file is the store's file
  // name followed by "." + name + ".lock") in `mode`.
  MarkStatus take(std::string_view name, MarkMode mode);
  // Gives the mark back; nothing when this object does not hold it.
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The processes that hold the mark `name` of the process-wide store, in either mode, this one
// included (from the system's table of file locks); none when its file does not exist, which
// is never made here.
M716_PLATFORM_API std::vector<int> markHolders(std::string_view name);
// A holder of the mark other than this process; nullopt when there is none.
M716_PLATFORM_API std::optional<int> otherMarkHolder(std::string_view name);
// "1234 (m716 move X 500)": a process by its number and the start of its command line.
M716_PLATFORM_API std::string describeProcess(int pid);

}  // namespace m716::platform
