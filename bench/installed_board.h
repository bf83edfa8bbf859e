#pragma once
// A registry store of the benchmark's own, in which board 0 is installed at 0x300 with IRQ 5.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "m716/board/registry_layout.h"
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
  store.createKey(keys::kHardwareBranch, key);
  key.setDword(keys::kBoardsInUse, 1);
  store.createKey(keys::hardwareKey(0), key);
  key.setDword(keys::kBaseAddress, 0x300);
  key.setDword(keys::kInterrupt, 5);
}

}  // namespace m716::bench
