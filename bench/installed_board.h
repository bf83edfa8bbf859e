#pragma once
// A registry store of the benchmark's own, in which board 0 is installed at 0x300 with IRQ 5.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "m716/platform/registry.h"

namespace m716::bench {

inline void installBoardZero(const std::string& name) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("m716-bench-" + name + "-" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(file);
  ::setenv("M716_REGISTRY", file.c_str(), 1);
  platform::useRegistryFile(file.string());
  platform::RegKey key;
  auto& store = platform::registry();
  store.createKey("SYSTEM\\CurrentControlSet\\Services\\KRVM716S", key);
  key.setDword("BoardIDInUsed", 1);
  store.createKey("SYSTEM\\CurrentControlSet\\Services\\KRVM716S\\Board000", key);
  key.setDword("BaseAddress", 0x300);
  key.setDword("Interrupt", 5);
}

}  // namespace m716::bench
