// The process-wide registry store and where its file lives.

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

#include "m716/platform/registry.h"

namespace m716::platform {
namespace {

namespace fs = std::filesystem;

// The environment is only read: nothing in the system changes it while it runs.
const char* environment(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  return value && *value ? value : nullptr;
}

constexpr const char* kSystemStoreFolder = "/var/lib/m716";
constexpr const char* kStoreName = "registry.db";

fs::path homeFolder() {
  if (const char* home = environment("HOME")) return home;
  passwd entry{};
  passwd* user = nullptr;
  std::array<char, 4096> buffer{};
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &user) == 0 && user)
    return user->pw_dir;
  return fs::temp_directory_path();
}

fs::path stateFolder() {
  if (const char* state = environment("XDG_STATE_HOME")) return state;
  return homeFolder() / ".local" / "state";
}

std::shared_ptr<RegistryStore> openStore(const std::string& file) {
  std::error_code ignored;
  const fs::path folder = fs::path(file).parent_path();
  if (!folder.empty()) fs::create_directories(folder, ignored);
  return std::make_shared<RegistryStore>(file);
}

// Never destroyed, so that code running while the process exits can still use the store.
struct ProcessStore {
  std::mutex mutex;
  std::shared_ptr<RegistryStore> store;
};

ProcessStore& processStore() {
  static auto* state = new ProcessStore;
  return *state;
}

// How a user the system store refuses gets access; nothing for any other store.
std::string groupHint(const RegistryStore& store) {
  if (fs::path(store.file()).parent_path() != kSystemStoreFolder) return {};
  return "; add yourself to the group m716 (sudo adduser $USER m716, then log in again)";
}

}  // namespace

std::string registryFileFor(const char* chosen, const std::string& systemFolder,
                            const std::string& stateFolder) {
  if (chosen) return chosen;
  std::error_code ignored;
  if (fs::is_directory(systemFolder, ignored))
    return (fs::path(systemFolder) / kStoreName).string();
  return (fs::path(stateFolder) / "m716" / kStoreName).string();
}

std::string defaultRegistryFile() {
  return registryFileFor(environment("M716_REGISTRY"), kSystemStoreFolder, stateFolder().string());
}

std::string storeRefusal(const RegistryStore& store) {
  if (store.isOpen()) return {};
  std::string refusal =
      "cannot open the registry store " + store.file() + ": " + regStatusText(store.openStatus());
  if (store.openStatus() == RegStatus::accessDenied) refusal += groupHint(store);
  return refusal;
}

std::string storeWriteRefusal(const RegistryStore& store) {
  if (!store.isOpen()) return storeRefusal(store);
  if (::access(store.file().c_str(), W_OK) == 0) return {};
  return "the registry store " + store.file() + " may only be read by this user" + groupHint(store);
}

RegistryStore& registry() {
  auto& state = processStore();
  std::lock_guard lock(state.mutex);
  if (!state.store) state.store = openStore(defaultRegistryFile());
  return *state.store;
}

void useRegistryFile(const std::string& file) {
  auto replacement = openStore(file);
  auto& state = processStore();
  std::lock_guard lock(state.mutex);
  state.store.swap(replacement);
}

}  // namespace m716::platform
