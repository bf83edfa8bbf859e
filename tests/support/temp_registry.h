#pragma once
// A registry store of the test's own, in a temporary folder that is removed afterwards.
// The process-wide store and, when loaded, the simulator are pointed at it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace m716::test {

class TempRegistry {
 public:
  TempRegistry();
  ~TempRegistry();
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::string file() const { return (folder_ / "registry.db").string(); }

 private:
  std::filesystem::path folder_;
};

// Fixture base: every test gets a fresh store.
class RegistryTest : public ::testing::Test {
 protected:
  TempRegistry store_;
};

}  // namespace m716::test
