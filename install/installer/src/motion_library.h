#pragma once
// The motion library as the installer uses it: loaded by its system file name when the user
// first asks which boards answer, and kept loaded until the program ends.
//
// Concurrency: the installer's user-interface thread.

#include <cstdint>

#include "m716/platform/dynload.h"

namespace m716::installer {

enum class Discovery { answered, notLoaded, noQuery, queryFailed };

struct DiscoveredBoards {
  Discovery outcome;
  std::uint32_t answering = 0;  // bit n: board n is installed and can be opened
};

class MotionLibrary {
 public:
  // The folder and the file name the system knows the library by.
  static constexpr const char* kFile = "\\Windows\\KRVM716.DLL";
  static constexpr const char* kQuery = "M716MotDevAvailable";

  DiscoveredBoards availableBoards();

 private:
  platform::ModuleHandle module_ = nullptr;  // never freed
};

}  // namespace m716::installer
