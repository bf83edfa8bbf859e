#include "replacement_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tool_error.h"

namespace m716::reg {
namespace {

namespace fs = std::filesystem;

// What a new file of this process gets: read and write for all, less the umask.
fs::perms newFilePermissions() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<fs::perms>(0666 & ~mask);
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  const fs::path first = fs::weakly_canonical(a, error);
  if (error) return false;
  const fs::path second = fs::weakly_canonical(b, error);
  return !error && first == second;
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
  std::error_code error;
  destination_ = fs::weakly_canonical(target, error);
  if (error) destination_ = target;
  const fs::file_status existing = fs::status(destination_, error);
  if (fs::exists(existing) && !fs::is_regular_file(existing)) {
    stream_.open(target, std::ios::binary | std::ios::trunc);
    if (!stream_) fail();
    return;
  }
  std::string name = destination_.string() + ".XXXXXX";
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) fail();
  temporary_ = name;
  ::close(descriptor);
  error.clear();
  fs::permissions(temporary_, fs::exists(existing) ? existing.permissions() : newFilePermissions(),
                  error);
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (error || !stream_) fail();
}

ReplacementFile::~ReplacementFile() {
  std::error_code ignored;
  if (!temporary_.empty()) fs::remove(temporary_, ignored);
}

void ReplacementFile::commit() {
  stream_.close();
  if (!stream_) fail();
  if (temporary_.empty()) return;
  std::error_code error;
  fs::rename(temporary_, destination_, error);
  if (error) fail();
  temporary_.clear();
}

void ReplacementFile::fail() const {
  throw ToolError("ERROR: Cannot write the file " + target_ + ".");
}

bool namesStoreFile(const std::string& target, const std::string& store) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    if (sameFile(target, store + suffix)) return true;
  }
  return false;
}

}  // namespace m716::reg
