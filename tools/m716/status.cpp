// m716 status: positions, speeds, state, stop causes, limits and inputs of the axes.

#include <cstdio>

#include "KRVM716.h"
#include "axis_view.h"
#include "commands.h"

namespace m716::tool {

int showStatus(const Arguments& arguments) {
  Arguments args = arguments;
  const auto board = takeBoard(args);
  if (!board) return 2;
  const auto selected = parseAxes(args, "status");
  if (!selected) return 2;
  const std::uint32_t axes = *selected;
  if (!openBoard(*board)) return 1;
  printAxes(*board, axes == 0 ? 0x0F : axes);
  return report("Close", M716MotDevClose(*board)) ? 0 : 1;
}

}  // namespace m716::tool
