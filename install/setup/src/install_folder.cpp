#include "install_folder.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "m716/board/registry_layout.h"
#include "m716/platform/registry.h"
#include "setup_hooks.h"
#include "setup_texts.h"

namespace m716::setup {
namespace {

constexpr std::uint32_t kFolderNameCapacity = 1024;

}  // namespace

void redirectToStorageProfile(char* folder) {
  platform::RegKey profile;
  if (!folder ||
      platform::registry().openKey(keys::kStorageProfile, profile) != platform::RegStatus::ok)
    return;
  const auto name = boundedString(profile, keys::kStorageProfileFolder, kFolderNameCapacity);
  if (!name) return;
  const std::string redirected = "\\" + *name;
  // The buffer is the installer's: a folder name that does not fit is not written past it.
  if (redirected.size() >= M716_INSTALL_FOLDER_CAPACITY) return;
  std::memcpy(folder, redirected.c_str(), redirected.size() + 1);
}

}  // namespace m716::setup
