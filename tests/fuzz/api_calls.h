#pragma once
// Random calls of every exported function of the motion library on a simulated board, decoded
// from a byte stream: random boards, axes, identifiers, values and null or valid pointers,
// with the frozen simulated clock advanced between calls. After each call it checks what must
// always hold: no register load the chip had to clamp, and no axis that started a drive no
// accepted call asked for. The same decoder serves libFuzzer and the seeded runs of the tests.
//
// Concurrency: one ApiFuzzer at a time per process (the library's boards are process-wide).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace m716::fuzz {

// The bytes a run is decoded from; once they run out every value reads as 0.
class ByteStream {
 public:
  ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return next_ >= size_; }
  std::uint8_t byte();
  std::uint32_t word();
  // One of the first `count` choices.
  std::uint32_t pick(std::uint32_t count) { return count == 0 ? 0 : byte() % count; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t next_ = 0;
};

class ApiFuzzer {
 public:
  // Installs board 0 at the simulated board's address and board 1 where none answers, in the
  // current registry store, and freezes the simulated clock.
  ApiFuzzer();
  ~ApiFuzzer();
  ApiFuzzer(const ApiFuzzer&) = delete;
  ApiFuzzer& operator=(const ApiFuzzer&) = delete;

  // Runs calls decoded from `stream` until it is empty or `most` calls ran. Returns the
  // violations found (empty when none); each names the call.
  std::vector<std::string> run(ByteStream& stream, std::size_t most);
  std::size_t calls() const { return calls_; }
  std::size_t accepted() const { return accepted_; }  // calls that returned 0
  std::size_t driveStarts() const { return driveStarts_; }

 private:
  std::string callOnce(ByteStream& stream);

  std::size_t calls_ = 0;
  std::size_t accepted_ = 0;
  std::size_t driveStarts_ = 0;
  std::uint32_t homing_ = 0;  // axes whose accepted home search may still drive
};

}  // namespace m716::fuzz
