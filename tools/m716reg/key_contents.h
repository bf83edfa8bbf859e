#pragma once
// What a key holds, read whole, in the store's order (by name, ignoring case).

#include <string>
#include <vector>

#include "m716/platform/registry.h"

namespace m716::reg {

std::vector<platform::RegValue> valuesOf(const platform::RegKey& key);
std::vector<std::string> subkeysOf(const platform::RegKey& key);

}  // namespace m716::reg
