#pragma once
// A fresh registry store with boards declared the way the installer declares them.

#include <cstdint>
#include <string>

#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"
#include "support/temp_registry.h"

namespace m716::test {

inline const std::string kHardwareBranch = keys::kHardwareBranch;
inline const std::string kParameterBranch = keys::kParameterBranch;

inline std::string boardName(std::uint32_t board) {
  return keys::boardSuffix(board);
}

inline void setDword(const std::string& key, const char* name, std::uint32_t value) {
  platform::RegKey handle;
  ASSERT_EQ(platform::registry().createKey(key, handle), platform::RegStatus::ok);
  ASSERT_EQ(handle.setDword(name, value), platform::RegStatus::ok);
}

inline bool hasValue(const std::string& key, const char* name) {
  platform::RegKey handle;
  std::uint32_t value = 0;
  return platform::registry().openKey(key, handle) == platform::RegStatus::ok &&
         handle.queryDword(name, value) == platform::RegStatus::ok;
}

inline std::uint32_t dword(const std::string& key, const char* name) {
  platform::RegKey handle;
  std::uint32_t value = 0xDEADBEEF;
  if (platform::registry().openKey(key, handle) == platform::RegStatus::ok)
    handle.queryDword(name, value);
  return value;
}

inline void deleteValue(const std::string& key, const char* name) {
  platform::RegKey handle;
  ASSERT_EQ(platform::registry().openKey(key, handle), platform::RegStatus::ok);
  ASSERT_EQ(handle.deleteValue(name), platform::RegStatus::ok);
}

inline std::string parameterKey(std::uint32_t board, const char* axis = nullptr) {
  return kParameterBranch + boardName(board) + (axis ? std::string("\\") + axis : "");
}

// Declares `board` installed at `base` with `irq`, adding it to the installed-boards mask.
inline void installBoard(std::uint32_t board, std::uint32_t base = 0x300, std::uint32_t irq = 5) {
  const std::uint32_t inUse =
      hasValue(kHardwareBranch, "BoardIDInUsed") ? dword(kHardwareBranch, "BoardIDInUsed") : 0;
  setDword(kHardwareBranch, "BoardIDInUsed", inUse | (1u << board));
  setDword(kHardwareBranch + boardName(board), "BaseAddress", base);
  setDword(kHardwareBranch + boardName(board), "Interrupt", irq);
}

// Fixture: a fresh store in which board 0 is installed at 0x300 with IRQ 5.
class InstalledBoardTest : public RegistryTest {
 protected:
  void SetUp() override { installBoard(0); }
};

}  // namespace m716::test
