// m716setup: runs the package setup hooks the way the package installer does, loading
// libsetup.so and calling its entry points by name. The package's maintainer scripts call it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "m716/platform/dynload.h"
#include "setup_hooks.h"

namespace {

constexpr const char* kUsage =
    "usage: m716setup install-init [--previously-installed] [FOLDER]\n"
    "       m716setup install-exit [FOLDERS FILES KEYS VALUES SHORTCUTS]\n"
    "       m716setup uninstall\n";

template <typename Entry>
Entry entry(m716::platform::ModuleHandle hooks, const char* name) {
  return reinterpret_cast<Entry>(m716::platform::findEntry(hooks, name));
}

// Prints the installation folder the hook chose.
int installInit(m716::platform::ModuleHandle hooks, const std::vector<std::string_view>& args) {
  const auto hook = entry<M716InstallInitHook>(hooks, "Install_Init");
  bool previouslyInstalled = false;
  std::string_view folder;
  for (const auto arg : args) {
    if (arg == "--previously-installed") {
      previouslyInstalled = true;
    } else {
      folder = arg;
    }
  }
  char buffer[M716_INSTALL_FOLDER_CAPACITY] = {};
  if (!hook || folder.size() >= sizeof buffer) return 2;
  folder.copy(buffer, folder.size());
  const std::uint32_t result = hook(nullptr, 1, previouslyInstalled ? 1 : 0, buffer);
  std::printf("%s\n", buffer);
  return result == M716_INSTALL_INIT_CONTINUE ? 0 : 1;
}

int installExit(m716::platform::ModuleHandle hooks, const std::vector<std::string_view>& args) {
  const auto hook = entry<M716InstallExitHook>(hooks, "Install_Exit");
  std::uint32_t counts[5] = {};
  if (!hook || (!args.empty() && args.size() != 5)) return 2;
  for (std::size_t i = 0; i < args.size(); ++i) {
    char* end = nullptr;
    const std::string text(args[i]);
    counts[i] = static_cast<std::uint32_t>(std::strtoul(text.c_str(), &end, 10));
    if (text.empty() || *end != '\0') return 2;
  }
  const std::uint32_t result =
      hook(nullptr, "", counts[0], counts[1], counts[2], counts[3], counts[4]);
  return result == M716_INSTALL_EXIT_DONE ? 0 : 1;
}

int uninstall(m716::platform::ModuleHandle hooks) {
  const auto init = entry<M716UninstallHook>(hooks, "Uninstall_Init");
  const auto exit = entry<M716UninstallHook>(hooks, "Uninstall_Exit");
  if (!init || !exit) return 2;
  if (init(nullptr, "") != M716_UNINSTALL_INIT_CONTINUE) return 1;
  return exit(nullptr, "") == M716_UNINSTALL_EXIT_DONE ? 0 : 1;
}

int run(std::string_view command, const std::vector<std::string_view>& args) {
  const auto hooks = m716::platform::loadLibrary("setup.dll");
  if (!hooks) {
    std::fputs("m716setup: libsetup.so not found\n", stderr);
    return 2;
  }
  if (command == "install-init") return installInit(hooks, args);
  if (command == "install-exit") return installExit(hooks, args);
  if (command == "uninstall" && args.empty()) return uninstall(hooks);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  const int status = run(argv[1], args);
  if (status == 2) std::fputs(kUsage, stderr);
  return status;
}
