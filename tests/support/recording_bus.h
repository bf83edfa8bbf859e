#pragma once
// A bus for tests: records every access, then passes it on to `inner` (when given; else
// reads answer 0xFFFF, or what answerReads scripted). Put in place with platform::useBus.

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "m716/platform/bus.h"

namespace m716::platform {

class RecordingBus : public PortBus {
 public:
  struct Access {
    bool isWrite;
    std::uint32_t port;
    std::uint16_t value;  // written, or read
    bool operator==(const Access&) const = default;
  };

  explicit RecordingBus(PortBus* inner = nullptr);
  std::uint16_t read(std::uint32_t port) override;
  void write(std::uint32_t port, std::uint16_t value) override;

  // A copy of the accesses so far: other threads may go on using the bus meanwhile.
  std::vector<Access> accesses() const;
  std::vector<std::uint16_t> writesTo(std::uint32_t port) const;
  std::vector<Access> writes() const;
  void clear();
  // Without an inner bus, reads of `port` answer `value`.
  void answerReads(std::uint32_t port, std::uint16_t value);

 private:
  PortBus* inner_;
  mutable std::mutex mutex_;
  std::vector<Access> accesses_;
  std::vector<std::pair<std::uint32_t, std::uint16_t>> answers_;
};

}  // namespace m716::platform
