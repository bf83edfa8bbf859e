#include "m716/platform/ownership.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "m716/platform/registry.h"

namespace m716::platform {

OwnershipMark::~OwnershipMark() {
  release();
}

namespace {

// Opens the mark's file, making it when it is missing, readable and writable by the group
// whatever the process's file mode mask, so that the programs of one group share the mark.
int openMarkFile(const std::string& file) {
  const int made = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
  if (made >= 0) {
    ::fchmod(made, 0664);
    return made;
  }
  return errno == EEXIST ? ::open(file.c_str(), O_RDWR | O_CLOEXEC) : -1;
}

}  // namespace

MarkStatus OwnershipMark::take(std::string_view name, MarkMode mode) {
  if (held()) return MarkStatus::taken;
  const int fd = openMarkFile(registry().file() + "." + std::string(name) + ".lock");
  if (fd < 0) return MarkStatus::unavailable;
  const int operation = mode == MarkMode::shared ? LOCK_SH : LOCK_EX | LOCK_NB;
  int result = 0;
  do {
    result = ::flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
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
