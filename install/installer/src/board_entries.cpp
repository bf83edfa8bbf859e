#include "board_entries.h"

#include <algorithm>

namespace m716::installer {
namespace {

const QString kNotInSystem = QStringLiteral(" Not In System ");
const QString kInterruptTag = QStringLiteral("IRQ=");
constexpr qsizetype kMostBaseDigits = 4;

QString describe(std::uint32_t board, const QString& base, const QString& interrupt) {
  return QStringLiteral("MCB-716, BoardID=%1, I/O=%2H, IRQ=%3")
      .arg(QString::number(board), base, interrupt);
}

bool isHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

QString deviceName(std::uint32_t board, const QString& baseText, std::uint32_t interrupt) {
  return describe(board, baseText, QString::number(interrupt));
}

QString recoveredDeviceName(std::uint32_t board, std::optional<std::uint32_t> baseAddress,
                            std::optional<std::uint32_t> interrupt) {
  const QString base = baseAddress ? baseAddressText(*baseAddress) : QStringLiteral("?");
  const QString irq = interrupt ? QString::number(*interrupt) : QStringLiteral("?");
  return describe(board, base, irq);
}

std::optional<std::uint32_t> boardOfEntry(const QString& entry) {
  const qsizetype at = entry.indexOf(u'=') + 1;
  if (at == 0 || at >= entry.size() || !entry[at].isDigit()) return std::nullopt;
  std::uint32_t board = static_cast<std::uint32_t>(entry[at].digitValue());
  if (at + 1 < entry.size() && entry[at + 1].isDigit())
    board = board * 10 + static_cast<std::uint32_t>(entry[at + 1].digitValue());
  if (board >= kBoardCount) return std::nullopt;
  return board;
}

QString markedNotInSystem(const QString& entry) {
  const qsizetype tag = entry.lastIndexOf(kInterruptTag);
  if (tag < 0) return entry + kNotInSystem;
  qsizetype end = tag + kInterruptTag.size();
  while (end < entry.size() && entry[end].isDigit()) ++end;
  QString marked = entry;
  return marked.insert(end, kNotInSystem);
}

bool isMarkedNotInSystem(const QString& entry) {
  return entry.contains(u'N');
}

std::optional<std::uint32_t> baseAddressOf(const QString& text) {
  if (text.isEmpty() || text.size() > kMostBaseDigits) return std::nullopt;
  if (!std::all_of(text.begin(), text.end(), isHexDigit)) return std::nullopt;
  const std::uint32_t base = text.toUInt(nullptr, 16);
  if (base < kLowestBaseAddress || base > kHighestBaseAddress) return std::nullopt;
  return base;
}

QString baseAddressText(std::uint32_t baseAddress) {
  return QString::number(baseAddress, 16).toUpper();
}

bool portWindowsOverlap(std::uint32_t base, std::uint32_t otherBase) {
  return (base > otherBase ? base - otherBase : otherBase - base) < kPortWindow;
}

std::optional<std::uint32_t> interruptIndex(std::uint32_t interrupt) {
  const auto found = std::find(kInterrupts.begin(), kInterrupts.end(), interrupt);
  if (found == kInterrupts.end()) return std::nullopt;
  return static_cast<std::uint32_t>(found - kInterrupts.begin());
}

std::optional<std::uint32_t> lowestUnusedBoard(std::uint32_t boardsInUse) {
  for (std::uint32_t board = 0; board < kBoardCount; ++board)
    if ((boardsInUse & (1u << board)) == 0) return board;
  return std::nullopt;
}

}  // namespace m716::installer
