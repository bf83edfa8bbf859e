#pragma once
// Where export writes: a temporary file beside the target, renamed onto it once complete, so
// that an export that fails half-way leaves the target as it was. A target that exists but
// is no regular file (/dev/stdout, a pipe) is written directly. A symbolic link stays: the
// file it points to is replaced.

#include <filesystem>
#include <fstream>
#include <string>

namespace m716::reg {

class ReplacementFile {
 public:
  // Throws ToolError when the file cannot be made.
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();  // removes the temporary file unless committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  std::ostream& stream() { return stream_; }
  // Puts the complete file in place; throws ToolError when it cannot be written.
  void commit();

 private:
  [[noreturn]] void fail() const;

  std::string target_;
  std::filesystem::path destination_;  // the target, its links followed
  std::filesystem::path temporary_;    // empty when writing the target directly
  std::ofstream stream_;
};

// Whether `target` is `store` or one of the files SQLite keeps beside it, however it is
// spelled (another path, a link).
bool namesStoreFile(const std::string& target, const std::string& store);

}  // namespace m716::reg
