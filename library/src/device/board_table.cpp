#include "device/board_table.h"

#include "device/parameters.h"

namespace m716 {
namespace {

std::array<BoardRecord, kBoardCount> defaultBoards() {
  std::array<BoardRecord, kBoardCount> records;
  records.fill(defaultBoardRecord());
  return records;
}

}  // namespace

// The stored parameter tables are constants, ready before any record is made from them.
std::array<BoardRecord, kBoardCount> boards = defaultBoards();
std::array<M716InterruptBlock, kBoardCount> interruptBlocks{};

}  // namespace m716
