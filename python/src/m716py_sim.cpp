#include "m716py_sim.h"

#include "m716/platform/registry.h"
#include "m716sim.h"

void m716py_use_registry(const char* file) {
  m716::platform::useRegistryFile(file);
  M716SimReload();
}
