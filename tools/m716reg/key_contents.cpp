#include "key_contents.h"

namespace m716::reg {
namespace {

// Items 0, 1, ... of an enumeration, up to the first that `read` cannot give.
template <typename Item, typename Read>
std::vector<Item> enumerate(Read read) {
  std::vector<Item> items;
  Item item;
  for (std::uint32_t i = 0; read(i, item) == platform::RegStatus::ok; ++i) items.push_back(item);
  return items;
}

}  // namespace

std::vector<platform::RegValue> valuesOf(const platform::RegKey& key) {
  return enumerate<platform::RegValue>(
      [&](std::uint32_t i, platform::RegValue& value) { return key.enumValue(i, value); });
}

std::vector<std::string> subkeysOf(const platform::RegKey& key) {
  return enumerate<std::string>(
      [&](std::uint32_t i, std::string& name) { return key.enumKey(i, name); });
}

}  // namespace m716::reg
