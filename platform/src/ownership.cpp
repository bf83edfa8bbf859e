#include "m716/platform/ownership.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "m716/platform/registry.h"

namespace m716::platform {

OwnershipMark::~OwnershipMark() {
  release();
}

MarkStatus OwnershipMark::take(std::string_view name) {
  if (held()) return MarkStatus::taken;
  const std::string file = registry().file() + "." + std::string(name) + ".lock";
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return MarkStatus::unavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool otherHolder = errno == EWOULDBLOCK;
    ::close(fd);
    return otherHolder ? MarkStatus::heldElsewhere : MarkStatus::unavailable;
  }
  fd_ = fd;
  return MarkStatus::taken;
}

// The file stays: removing it could let a new holder lock a file another is about to lock.
void OwnershipMark::release() {
  if (!held()) return;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace m716::platform
