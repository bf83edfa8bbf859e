#pragma once
// The commands of the m716 tool. Each returns the program's exit status.

#include <string>
#include <vector>

namespace m716::tool {

using Arguments = std::vector<std::string>;

int listBoards(const Arguments& args);
int runDemo(const Arguments& args);

// Prints "what: <text of code>" to stderr when code is not 0; returns whether it was 0.
bool report(const char* what, unsigned code);

}  // namespace m716::tool
