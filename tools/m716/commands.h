#pragma once
// The commands of the m716 tool. Each returns the program's exit status.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace m716::tool {

using Arguments = std::vector<std::string>;

int listBoards(const Arguments& args);
int runDemo(const Arguments& args);
int moveAxis(const Arguments& args);
int showStatus(const Arguments& args);
int homeCommand(const Arguments& args);
int lineCommand(const Arguments& args);
int arcCommand(const Arguments& args);
int circleCommand(const Arguments& args);
int pathCommand(const Arguments& args);

// Takes "--board N" out of the arguments (board 0 without it); nullopt, after a message, when N
// is not a board number.
std::optional<std::uint32_t> takeBoard(Arguments& args);

// A whole decimal number (a leading zero does not make it octal) or a 0x-hexadecimal one;
// nullopt for anything else.
std::optional<long long> parseNumber(const std::string& text);

// Opens the board; when the library refuses, says why and, for a board that was never declared,
// how to declare it.
// A board another process has open (by its ownership mark) is refused, saying which process,
// unless forceOpens() was called (--force).
bool openBoard(std::uint32_t board);
void forceOpens();

// Prints "what: <text of code> (error N)" to stderr when code is not 0 and counts the call as
// refused; returns whether it was 0.
bool report(const char* what, unsigned code);
// How many calls report() has seen refused. A command that made one exits nonzero.
unsigned refusedCalls();

}  // namespace m716::tool
