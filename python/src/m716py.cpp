#include "m716py.h"

#include <string>

#include "installed_boards.h"
#include "m716/error_texts.h"
#include "m716/platform/registry.h"

const char* m716py_error_text(uint32_t code) {
  return m716::errorText(code);
}

int m716py_installed_boards(uint32_t* numbers, int64_t* bases, int64_t* irqs) {
  m716::platform::RegStatus failure = m716::platform::RegStatus::ok;
  const auto boards = m716::tool::installedBoards(&failure);
  if (!boards) return -1;
  int count = 0;
  for (const m716::tool::InstalledBoard& board : *boards) {
    numbers[count] = board.number;
    bases[count] = board.baseAddress ? static_cast<int64_t>(*board.baseAddress) : -1;
    irqs[count] = board.irq ? static_cast<int64_t>(*board.irq) : -1;
    ++count;
  }
  return count;
}

const char* m716py_store_refusal(void) {
  thread_local std::string refusal;
  refusal = m716::platform::storeRefusal(m716::platform::registry());
  if (refusal.empty())
    refusal = "cannot read the registry store " + m716::platform::registry().file();
  return refusal.c_str();
}
