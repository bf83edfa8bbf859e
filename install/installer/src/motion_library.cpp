#include "motion_library.h"

namespace m716::installer {
namespace {

using AvailabilityQuery = std::uint32_t (*)(std::uint32_t* mask);

// Looked up beside the installer first: an installed system keeps them in one folder.
platform::ModuleHandle load() {
  return platform::loadLibrary(MotionLibrary::kFile, reinterpret_cast<const void*>(&load));
}

}  // namespace

DiscoveredBoards MotionLibrary::availableBoards() {
  if (module_ == nullptr) module_ = load();
  if (module_ == nullptr) return {Discovery::notLoaded};
  const auto query = reinterpret_cast<AvailabilityQuery>(platform::findEntry(module_, kQuery));
  if (query == nullptr) return {Discovery::noQuery};
  std::uint32_t mask = 0;
  if (query(&mask) != 0) return {Discovery::queryFailed};
  return {Discovery::answered, mask};
}

}  // namespace m716::installer
