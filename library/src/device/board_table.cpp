#include "device/board_table.h"

namespace m716 {

std::array<BoardRecord, kBoardCount> boards{};
std::array<M716InterruptBlock, kBoardCount> interruptBlocks{};

}  // namespace m716
