#pragma once
// Runs one of the project's programs as a child process, with standard input from a string and
// its output captured through files in a folder of the test's own.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace m716::test {

struct ProgramResult {
  int status;  // exit status, -1 when the program did not exit
  std::string out;
  std::string err;
};

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& folder, const std::string& input = "");

// A program running in the background, its standard output and error going to `output`. It
// ends when killed, at the latest when this object goes.
class BackgroundProgram {
 public:
  BackgroundProgram(const std::string& program, const std::vector<std::string>& arguments,
                    std::filesystem::path output);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  // Whether the program has written anything within `seconds`.
  bool wroteWithin(double seconds) const;
  // Ends the program at once (SIGKILL, as a crash would) and waits for it.
  void kill();

 private:
  pid_t pid_ = -1;
  std::filesystem::path output_;
};

std::string contentsOf(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& text);

}  // namespace m716::test
