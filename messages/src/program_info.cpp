#include "m716/program_info.h"

#include <cstdio>
#include <cstring>

namespace m716 {

ProgramRequest programRequest(int argc, char** argv) {
  if (argc < 2) return ProgramRequest::none;
  if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)
    return ProgramRequest::help;
  if (std::strcmp(argv[1], "--version") == 0) return ProgramRequest::version;
  return ProgramRequest::none;
}

void printVersion(const char* program, bool linksMotionLibrary) {
  std::printf("%s (M716 motion software) %s\n", program, M716_VERSION);
  if (linksMotionLibrary)
    std::printf("Motion library KRVM716 %s (%s)\n", M716_VERSION, M716_MOTION_LIBRARY_FILE);
}

bool answeredHelpOrVersion(int argc, char** argv, const char* program, const char* help,
                           bool linksMotionLibrary) {
  switch (programRequest(argc, argv)) {
    case ProgramRequest::help:
      std::fputs(help, stdout);
      return true;
    case ProgramRequest::version:
      printVersion(program, linksMotionLibrary);
      return true;
    case ProgramRequest::none:
      break;
  }
  return false;
}

int unknownCommand(const char* program, const char* command) {
  std::fprintf(stderr, "%s: unknown command '%s'; see '%s --help'\n", program, command, program);
  return 2;
}

}  // namespace m716
