// A short deterministic run of the API fuzzer on the simulated board: seeded random calls of
// every exported function, each followed by the checks of ApiFuzzer.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "api_calls.h"
#include "support/temp_registry.h"

namespace m716::fuzz {
namespace {

class ApiFuzzTest : public test::RegistryTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(ApiFuzzTest, RandomCallsKeepEveryPromise) {
  constexpr std::size_t kCalls = 600;
  std::mt19937 random(GetParam());
  std::vector<std::uint8_t> bytes(kCalls * 48);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());

  ApiFuzzer fuzzer;
  ByteStream stream(bytes.data(), bytes.size());
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> violations = fuzzer.run(stream, kCalls);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%zu calls (%zu accepted, %zu drives started) in %.2f s: %.0f calls per second\n",
              fuzzer.calls(), fuzzer.accepted(), fuzzer.driveStarts(), took.count(),
              static_cast<double>(fuzzer.calls()) / took.count());
  for (const std::string& violation : violations) ADD_FAILURE() << violation;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ApiFuzzTest, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace m716::fuzz
