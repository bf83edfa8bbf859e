#include "temp_registry.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <random>

#include "m716/platform/registry.h"
#include "registry_faults.h"

namespace m716::test {
namespace {

std::filesystem::path makeFolder() {
  std::random_device random;
  auto folder = std::filesystem::temp_directory_path() /
                ("m716-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(folder);
  return folder;
}

// Tells the simulator, when the process has it loaded, to read its configuration again.
void reloadSimulator() {
  void* sim = ::dlopen("libm716_sim.so", RTLD_NOW | RTLD_NOLOAD);
  if (sim == nullptr) return;
  if (auto reload = reinterpret_cast<void (*)()>(::dlsym(sim, "M716SimReload"))) reload();
  ::dlclose(sim);
}

}  // namespace

TempRegistry::TempRegistry() : folder_(makeFolder()) {
  ::setenv("M716_REGISTRY", file().c_str(), 1);
  platform::useRegistryFile(file());
  platform::clearRegistryWriteFault();  // one an earlier case left pending
  reloadSimulator();
}

TempRegistry::~TempRegistry() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace m716::test
