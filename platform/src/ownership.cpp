#include "m716/platform/ownership.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "m716/platform/registry.h"

namespace m716::platform {

OwnershipMark::~OwnershipMark() {
  release();
}

namespace {

// Opens the mark's file, making it when it is missing, readable and writable by the group
// whatever the process's file mode mask, so that the programs of one group share the mark.
std::string markFile(std::string_view name) {
  return registry().file() + "." + std::string(name) + ".lock";
}

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
  const int fd = openMarkFile(markFile(name));
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

// A line of /proc/locks: "1: FLOCK  ADVISORY  READ  1234 fd:01:5678 0 EOF", the device in
// hexadecimal major:minor, then the inode.
std::vector<int> markHolders(std::string_view name) {
  struct stat file {};
  if (::stat(markFile(name).c_str(), &file) != 0) return {};
  std::ifstream locks("/proc/locks");
  std::vector<int> holders;
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, advisory, access, device;
    int pid = 0;
    unsigned long long inode = 0;
    if (!(fields >> number >> kind) || kind != "FLOCK") continue;
    if (!(fields >> advisory >> access >> pid >> device)) continue;
    const std::size_t colon = device.rfind(':');
    if (colon == std::string::npos || !(std::istringstream(device.substr(colon + 1)) >> inode))
      continue;
    unsigned major = 0, minor = 0;
    if (std::sscanf(device.c_str(), "%x:%x", &major, &minor) != 2) continue;
    if (inode == file.st_ino && major == ::major(file.st_dev) && minor == ::minor(file.st_dev))
      holders.push_back(pid);
  }
  return holders;
}

std::optional<int> otherMarkHolder(std::string_view name) {
  for (const int pid : markHolders(name))
    if (pid != ::getpid()) return pid;
  return std::nullopt;
}

std::string describeProcess(int pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string commandLine;
  for (std::string argument; std::getline(file, argument, '\0') && commandLine.size() < 60;)
    commandLine +=
        commandLine.empty() ? std::filesystem::path(argument).filename().string() : " " + argument;
  return std::to_string(pid) + (commandLine.empty() ? "" : " (" + commandLine + ")");
}

}  // namespace m716::platform
