#pragma once
// Runs one of the project's programs as a child process, with standard input from a string and
// its output captured through files in a folder of the test's own.

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

std::string contentsOf(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& text);

}  // namespace m716::test
