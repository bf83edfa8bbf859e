#pragma once
// What every program of the system answers to -h, --help and --version, and how it refuses a
// command it does not know.
//
// Concurrency: print on the standard streams; call from one thread, before any other starts.

namespace m716 {

enum class ProgramRequest { none, help, version };

// What the first argument asks for: -h or --help, --version, or neither.
ProgramRequest programRequest(int argc, char** argv);

// "PROGRAM (M716 motion software) VERSION" on standard output; a program that links the motion
// library adds the line naming the library and its SONAME. The version is the build's.
void printVersion(const char* program, bool linksMotionLibrary);

// Prints `help` or the version when the first argument asks for one of them: true then, and
// the program ends with status 0.
bool answeredHelpOrVersion(int argc, char** argv, const char* program, const char* help,
                           bool linksMotionLibrary);

// "PROGRAM: unknown command 'COMMAND'; see 'PROGRAM --help'" on standard error. Returns 2, the
// exit status of a command line that does not read.
int unknownCommand(const char* program, const char* command);

}  // namespace m716
