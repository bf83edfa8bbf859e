// The bus backend for a board in a real machine: x86 I/O port instructions. The process
// needs the right to use them (root or CAP_SYS_RAWIO); without it every port reads 0xFFFF.
// There is no interrupt line to read from user space, so each attached handler is called
// every millisecond and checks its board itself.

#include <sys/io.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bus_backend.h"
#include "m716/platform/time.h"

namespace m716::platform::detail {
namespace {

// The kernel grants port access per thread, so each thread asks once. Full access covers the
// whole port space; ioperm alone reaches the first 0x400 ports.
std::uint32_t grantPortAccess() {
  if (::iopl(3) == 0) return kLastPort + 1;
  if (::ioperm(0, 0x400, 1) == 0) return 0x400;
  return 0;
}

std::uint32_t accessiblePorts() {
  thread_local const std::uint32_t limit = grantPortAccess();
  return limit;
}

class PortIoBus final : public PortBus {
 public:
  std::uint16_t read(std::uint32_t port) override {
    return port < accessiblePorts() ? ::inw(static_cast<unsigned short>(port)) : kNoDevice;
  }
  void write(std::uint32_t port, std::uint16_t value) override {
    if (port < accessiblePorts()) ::outw(value, static_cast<unsigned short>(port));
  }
};

class PolledInterruptLines final : public InterruptLines {
 public:
  ~PolledInterruptLines() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    if (poller_ && poller_->joinable()) poller_->join();
  }

  bool attach(std::uint16_t baseAddress, InterruptHandler handler) override {
    std::lock_guard lock(mutex_);
    if (handlers_.contains(baseAddress) || !startPoller()) return false;
    handlers_[baseAddress] = std::make_shared<InterruptHandler>(std::move(handler));
    return true;
  }

  // Returns once the handler is no longer running, unless called from the handler itself.
  void detach(std::uint16_t baseAddress) override {
    std::unique_lock lock(mutex_);
    handlers_.erase(baseAddress);
    if (std::this_thread::get_id() == pollerId_) return;
    handlerDone_.wait(lock, [&] { return running_ != baseAddress; });
  }

 private:
  static constexpr int kNone = -1;

  bool startPoller() {
    if (poller_) return true;
    poller_ = startThread([this] { poll(); });
    if (!poller_) return false;
    pollerId_ = poller_->get_id();
    return true;
  }

  void poll() {
    for (;;) {
      std::vector<std::uint16_t> boards;
      {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        for (const auto& entry : handlers_) boards.push_back(entry.first);
      }
      for (const auto board : boards) callHandler(board);
      sleepMs(1);
    }
  }

  void callHandler(std::uint16_t board) {
    std::shared_ptr<InterruptHandler> handler;
    {
      std::lock_guard lock(mutex_);
      const auto found = handlers_.find(board);
      if (found == handlers_.end()) return;
      handler = found->second;
      running_ = board;
    }
    (*handler)();
    {
      std::lock_guard lock(mutex_);
      running_ = kNone;
    }
    handlerDone_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable handlerDone_;
  std::map<std::uint16_t, std::shared_ptr<InterruptHandler>> handlers_;
  int running_ = kNone;  // the board whose handler runs now
  bool stopping_ = false;
  std::optional<std::thread> poller_;
  std::thread::id pollerId_;
};

}  // namespace

PortBus& backendBus() {
  static auto* ports = new PortIoBus;
  return *ports;
}

InterruptLines& backendInterruptLines() {
  static PolledInterruptLines lines;
  return lines;
}

}  // namespace m716::platform::detail
