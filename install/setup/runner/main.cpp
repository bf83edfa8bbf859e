// m716setup: runs the package setup hooks the way the package installer does, loading
// libsetup.so and calling its entry points by name. The package's maintainer scripts call it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "m716/platform/dynload.h"
#include "m716/program_info.h"
#include "setup_hooks.h"

namespace {

constexpr const char* kUsage =
    "Usage: m716setup install-init [--previously-installed] [FOLDER]\n"
    "  or:  m716setup install-exit [FOLDERS FILES KEYS VALUES SHORTCUTS]\n"
    "  or:  m716setup uninstall\n";

// What --help adds to the usage.
constexpr const char* kDescription =
    "Runs the package setup hooks of the M716 motion software (libsetup.so, beside this\n"
    "program) the way the package installer calls them. The maintainer scripts of the\n"
    "m716 package call it; it is not meant to be run by hand.\n"
    "\nCommands:\n"
    "  install-init      Install_Init; with --previously-installed it first unloads a\n"
    "                    running device of the TRELIX driver family; prints the\n"
    "                    installation folder (FOLDER, or the hard-disk profile's folder)\n"
    "  install-exit      Install_Exit with the five failure counts (0 when left out):\n"
    "                    flushes the registry store when all are 0, else reports the\n"
    "                    failure\n"
    "  uninstall         Uninstall_Init, then Uninstall_Exit\n"
    "\nOptions:\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\nExit status: 0 when the hook reports success, 1 when it reports a failure, 2 when\n"
    "the command line does not read or libsetup.so cannot be loaded.\n"
    "\nEnvironment:\n"
    "  M716_REGISTRY     the registry store the hooks use instead of the system's\n";

constexpr std::string_view kCommands[] = {"install-init", "install-exit", "uninstall"};

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
  const std::string help = std::string(kUsage) + kDescription;
  if (m716::answeredHelpOrVersion(argc, argv, "m716setup", help.c_str(), false)) return 0;
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (std::ranges::find(kCommands, argv[1]) == std::end(kCommands))
    return m716::unknownCommand("m716setup", argv[1]);
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  const int status = run(argv[1], args);
  if (status == 2) std::fputs(kUsage, stderr);
  return status;
}
