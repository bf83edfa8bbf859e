// The four entry points the package installer calls by name.

#include <cstdint>

#include "driver_unload.h"
#include "install_folder.h"
#include "m716/platform/message_box.h"
#include "m716/platform/registry.h"
#include "setup_hooks.h"
#include "setup_texts.h"

extern "C" {

uint32_t Install_Init(void* /*parentWindow*/, int32_t /*firstCall*/, int32_t previouslyInstalled,
                      char* installFolder) {
  if (previouslyInstalled) m716::setup::unloadRunningDriver();
  m716::setup::redirectToStorageProfile(installFolder);
  return M716_INSTALL_INIT_CONTINUE;
}

uint32_t Install_Exit(void* /*parentWindow*/, const char* /*installFolder*/, uint32_t failedFolders,
                      uint32_t failedFiles, uint32_t failedRegistryKeys,
                      uint32_t failedRegistryValues, uint32_t failedShortcuts) {
  const uint32_t failures =
      failedFolders | failedFiles | failedRegistryKeys | failedRegistryValues | failedShortcuts;
  if ((failures & 0xFFFFu) != 0) {
    m716::platform::showMessage(m716::setup::kCaption, m716::setup::kInstallFailed);
    return M716_INSTALL_EXIT_UNINSTALL;
  }
  m716::platform::RegKey machine;  // HKEY_LOCAL_MACHINE itself
  if (m716::platform::registry().openKey("", machine) == m716::platform::RegStatus::ok)
    machine.flush();
  return M716_INSTALL_EXIT_DONE;
}

uint32_t Uninstall_Init(void* /*parentWindow*/, const char* /*installFolder*/) {
  return M716_UNINSTALL_INIT_CONTINUE;
}

// The removal's two calls need the same answer: one function under both names.
uint32_t Uninstall_Exit(void* parentWindow, const char* installFolder)
    __attribute__((alias("Uninstall_Init")));

}  // extern "C"
