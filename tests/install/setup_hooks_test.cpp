// The package setup hooks, called as the package installer calls them, on the test's own
// registry store with the device manager stand-in.

#include "setup_hooks.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "m716/board/registry_layout.h"
#include "m716/platform/devices.h"
#include "m716/platform/message_box.h"
#include "m716/platform/registry.h"
#include "support/registry_faults.h"
#include "support/temp_registry.h"

namespace m716 {
namespace {

using platform::registry;
using platform::RegKey;
using platform::RegStatus;

constexpr const char* kCaption = "LX2210/2220 Driver Install";
constexpr const char* kUnloadFailed =
    "Failed to unload driver. Please check if the registry is being edited.You'd better reboot "
    "the computer and try again.";

class SetupHooks : public test::RegistryTest {
 protected:
  SetupHooks() {
    platform::setMessageHandler([this](const platform::Message& message) {
      shown_.push_back(message.caption + ": " + message.text);
      EXPECT_EQ(message.buttons, platform::MessageButtons::ok);
      return platform::MessageAnswer::ok;
    });
  }
  ~SetupHooks() override { platform::setMessageHandler({}); }

  RegKey create(const std::string& path) {
    RegKey key;
    EXPECT_EQ(registry().createKey(path, key), RegStatus::ok) << path;
    return key;
  }

  // A subkey of the TRELIX family naming `callName`; with `prefix`, a running device of it.
  void declare(const std::string& subkey, const std::string& callName,
               const std::string& prefix = "", std::uint32_t flags = 0) {
    create(std::string(keys::kUnloadedDriverFamily) + "\\" + subkey)
        .setString(keys::kDeviceCallName, callName);
    if (prefix.empty()) return;
    RegKey driver = create("Drivers\\" + prefix);
    driver.setString("Prefix", prefix);
    driver.setDword("Flags", flags);
    platform::DeviceHandle device = 0;
    ASSERT_TRUE(platform::activateDevice("Drivers\\" + prefix, device));
  }

  static bool isRunning(const char* callName) {
    platform::DeviceFile file;
    return platform::openDevice(callName, file);
  }

  static std::string installInit(bool previouslyInstalled, const char* folder = "\\Program") {
    char buffer[M716_INSTALL_FOLDER_CAPACITY] = {};
    std::strcpy(buffer, folder);
    EXPECT_EQ(Install_Init(nullptr, 1, previouslyInstalled, buffer), M716_INSTALL_INIT_CONTINUE);
    return buffer;
  }

  std::vector<std::string> shown_;
};

TEST_F(SetupHooks, AFirstInstallationLeavesTheDriverFamilyAlone) {
  declare("Device", "TRX1:", "TRX");
  installInit(false);
  EXPECT_TRUE(isRunning("TRX1:"));
  installInit(true);
  EXPECT_FALSE(isRunning("TRX1:"));
  EXPECT_TRUE(shown_.empty());
}

TEST_F(SetupHooks, AnUpgradeUnloadsTheDeviceOfTheFirstDeviceSubkeyWithACallName) {
  declare("ADevice", "AAA1:", "AAA");                              // not a device subkey
  declare("Config", "CFG1:", "CFG");                               // nor this
  create(std::string(keys::kUnloadedDriverFamily) + "\\Device0");  // no call name
  declare("Device1", std::string(200, 'N'));  // a call name longer than 128 bytes
  declare("device2", "TRX1:", "TRX");
  declare("Device3", "TRY1:", "TRY");
  installInit(true);
  EXPECT_FALSE(isRunning("TRX1:"));
  for (const char* untouched : {"AAA1:", "CFG1:", "TRY1:"}) EXPECT_TRUE(isRunning(untouched));
  EXPECT_TRUE(shown_.empty());
}

// Each refusal ends the procedure: the device of the next subkey keeps running.
TEST_F(SetupHooks, TheUnloadEndsAtADeviceThatCannotBeOpenedOrDeactivated) {
  struct Case {
    const char* name;
    const char* callName;
    const char* prefix;
    std::uint32_t flags;
    std::uint32_t failingWrite;
    std::vector<std::string> shown;
  };
  const std::string denied = std::string(kCaption) + ": " + kUnloadFailed;
  const Case cases[] = {
      {"not running", "NON1:", "", 0, 0, {}},
      {"access denied", "FIX1:", "FIX", platform::kDeviceNoUnload, 0, {denied}},
      {"another error", "TRX1:", "TRX", 0, 1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    registry().deleteKey(keys::kUnloadedDriverFamily);
    registry().deleteKey(platform::kActiveDevicesKey);
    shown_.clear();
    declare("Device1", c.callName, c.prefix, c.flags);
    declare("Device2", "TRY1:", "TRY");
    platform::failRegistryWrite(c.failingWrite);
    installInit(true);
    platform::clearRegistryWriteFault();
    EXPECT_TRUE(isRunning("TRY1:"));
    if (*c.prefix) {
      EXPECT_TRUE(isRunning(c.callName));
    }
    EXPECT_EQ(shown_, c.shown);
  }
}

TEST_F(SetupHooks, ASuccessfulUnloadShowsNothingWhateverAnEarlierCallLeftAsItsError) {
  declare("Device", "TRX1:", "TRX");
  platform::setLastError(platform::kErrorAccessDenied);
  installInit(true);
  EXPECT_FALSE(isRunning("TRX1:"));
  EXPECT_TRUE(shown_.empty());
  installInit(true);  // no family key at all now does nothing either
  registry().deleteKey(keys::kUnloadedDriverFamily);
  installInit(true);
  EXPECT_TRUE(shown_.empty());
}

TEST_F(SetupHooks, TheInstallationGoesIntoTheStorageProfilesFolderWhenThereIsOne) {
  EXPECT_EQ(installInit(false), "\\Program");
  RegKey profile = create(keys::kStorageProfile);
  EXPECT_EQ(installInit(false), "\\Program");  // no folder value
  profile.setDword(keys::kStorageProfileFolder, 1);
  EXPECT_EQ(installInit(true), "\\Program");  // not a string
  profile.setString(keys::kStorageProfileFolder, std::string(300, 'F'));
  EXPECT_EQ(installInit(false), "\\Program");  // would not fit the installer's buffer
  profile.setString(keys::kStorageProfileFolder, std::string(1100, 'F'));
  EXPECT_EQ(installInit(false), "\\Program");  // longer than a folder name may be
  profile.setString(keys::kStorageProfileFolder, "Hard Disk");
  EXPECT_EQ(installInit(true), "\\Hard Disk");
  EXPECT_EQ(Install_Init(nullptr, 1, 0, nullptr), M716_INSTALL_INIT_CONTINUE);
}

// What the database file itself holds, without its write-ahead log.
std::uint32_t valuesOnDisk(const std::string& file) {
  sqlite3* db = nullptr;
  const std::string uri = "file:" + file + "?immutable=1";
  std::uint32_t count = 0;
  if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
      SQLITE_OK) {
    sqlite3_exec(
        db, "SELECT count(*) FROM key_values",
        [](void* out, int, char** row, char**) {
          *static_cast<std::uint32_t*>(out) = static_cast<std::uint32_t>(std::stoul(row[0]));
          return 0;
        },
        &count, nullptr);
  }
  sqlite3_close(db);
  return count;
}

TEST_F(SetupHooks, InstallExitAsksForTheRemovalOnAnyFailureAndOtherwiseFlushesTheStore) {
  for (int which = 0; which < 5; ++which) {
    std::uint32_t counts[5] = {0x10000, 0x10000, 0x10000, 0x10000, 0x10000};  // low bits 0
    counts[which] = 1;
    EXPECT_EQ(Install_Exit(nullptr, "", counts[0], counts[1], counts[2], counts[3], counts[4]),
              M716_INSTALL_EXIT_UNINSTALL);
  }
  EXPECT_EQ(shown_, std::vector<std::string>(
                        5, std::string(kCaption) + ": Installation Failed! Please try it again."));

  create("Software\\M716").setDword("Written", 1);
  EXPECT_EQ(valuesOnDisk(store_.file()), 0u);
  EXPECT_EQ(Install_Exit(nullptr, "", 0x10000, 0, 0, 0, 0), M716_INSTALL_EXIT_DONE);
  EXPECT_EQ(valuesOnDisk(store_.file()), 1u);
  EXPECT_EQ(shown_.size(), 5u);
}

TEST_F(SetupHooks, UninstallInitAndExitAreOneFunctionThatLetsTheRemovalGoOn) {
  EXPECT_EQ(Uninstall_Init(nullptr, nullptr), M716_UNINSTALL_INIT_CONTINUE);
  EXPECT_EQ(Uninstall_Init(reinterpret_cast<void*>(1), "\\Program"), M716_UNINSTALL_INIT_CONTINUE);
  EXPECT_EQ(Uninstall_Exit(nullptr, "\\Program"), M716_UNINSTALL_EXIT_DONE);
  void* hooks = ::dlopen("libsetup.so", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(hooks, nullptr);
  EXPECT_EQ(::dlsym(hooks, "Uninstall_Init"), ::dlsym(hooks, "Uninstall_Exit"));
  ::dlclose(hooks);
}

}  // namespace
}  // namespace m716
