// m716: the motion library from a shell, for headless controllers and scripts.

#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "m716/error_texts.h"

namespace m716::tool {

bool report(const char* what, unsigned code) {
  if (code == 0) return true;
  std::fprintf(stderr, "%s: %s (error %u)\n", what, errorText(code), code);
  return false;
}

}  // namespace m716::tool

namespace {

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const m716::tool::Arguments&);
};

constexpr Command kCommands[] = {
    {"boards", "boards            list the installed boards and whether each answers",
     m716::tool::listBoards},
    {"demo", "demo [BOARD]      open a board and show what was loaded",
     m716::tool::runDemo},
};

int usage() {
  std::fprintf(stderr, "usage: m716 COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  %s\n", command.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const m716::tool::Arguments args(argv + 2, argv + argc);
  for (const Command& command : kCommands)
    if (std::strcmp(argv[1], command.name) == 0) return command.run(args);
  std::fprintf(stderr, "m716: unknown command '%s'\n", argv[1]);
  return usage();
}
