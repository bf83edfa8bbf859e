#include "m716/platform/dynload.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>

namespace m716::platform {

namespace {

namespace fs = std::filesystem;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// The file name without any folder, whichever separator the folder uses.
std::string_view baseName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The system's own libraries by the names it asks for them, whatever case the caller used:
// the interrupt driver is a private library of the system, the motion library a public one
// with a versioned SONAME.
struct SystemLibrary {
  std::string_view name;
  std::string_view file;
};
constexpr SystemLibrary kSystemLibraries[] = {{"KRVM716S", "libKRVM716S.so"},
                                              {"KRVM716", M716_MOTION_LIBRARY_FILE}};

struct SearchPath {
  std::mutex mutex;
  std::vector<std::string> folders;  // empty: beside the anchor, then the tree's folders
};

SearchPath& searchPath() {
  static auto* path = new SearchPath;
  return *path;
}

std::vector<std::string> foldersFor(const void* anchor) {
  auto& path = searchPath();
  {
    std::lock_guard lock(path.mutex);
    if (!path.folders.empty()) return path.folders;
  }
  // The platform lies in the system's private folder of the tree it was installed in, wherever
  // that tree was moved (a package staged into another prefix than the build's); the public
  // library folder is the one above it. A build keeps everything in one folder.
  const fs::path platformFolder = moduleFolder(reinterpret_cast<const void*>(&linuxLibraryName));
  return {moduleFolder(anchor), platformFolder.string(), platformFolder.parent_path().string()};
}

}  // namespace

std::string linuxLibraryName(std::string_view systemName) {
  std::string_view name = baseName(systemName);
  if (endsWithIgnoringCase(name, ".so")) return std::string(name);
  if (endsWithIgnoringCase(name, ".dll")) name.remove_suffix(4);
  for (const auto& library : kSystemLibraries) {
    if (equalsIgnoringCase(name, library.name)) return std::string(library.file);
  }
  return "lib" + std::string(name) + ".so";
}

std::string moduleFolder(const void* anchor) {
  Dl_info info{};
  link_map* module = nullptr;
  // The main program's link map has an empty name; /proc/self/exe names it reliably.
  const bool inLibrary =
      anchor && ::dladdr1(anchor, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) &&
      module && module->l_name && module->l_name[0] != '\0';
  std::error_code error;
  const fs::path file = fs::canonical(inLibrary ? module->l_name : "/proc/self/exe", error);
  return error ? std::string() : file.parent_path().string();
}

// A module handle is the loader's own handle: loading a library twice gives the same handle,
// and each load counts until freed, as on the original platform.
ModuleHandle loadLibrary(std::string_view systemName, const void* anchor) {
  const std::string fileName = linuxLibraryName(systemName);
  for (const auto& folder : foldersFor(anchor)) {
    const fs::path candidate = fs::path(folder) / fileName;
    std::error_code error;
    if (folder.empty() || !fs::is_regular_file(candidate, error)) continue;
    if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      return static_cast<ModuleHandle>(handle);
    }
  }
  return nullptr;
}

void* findEntry(ModuleHandle module, const char* name) {
  return module ? ::dlsym(module, name) : nullptr;
}

void freeLibrary(ModuleHandle module) {
  if (module) ::dlclose(module);
}

void setLibrarySearchPath(std::vector<std::string> folders) {
  auto& path = searchPath();
  std::lock_guard lock(path.mutex);
  path.folders = std::move(folders);
}

}  // namespace m716::platform
