#pragma once
// What the installer shows: its title, which is also the caption of its message boxes, and the
// texts of the boxes.
//
// Concurrency: constants and pure functions.

#include <QString>
#include <cstdint>

#include "board_entries.h"

namespace m716::installer::text {

inline const QString kTitle = QStringLiteral("MCB-716 Install/Uninstall Utility for Linux");

inline const QString kBoardNotSelected = QStringLiteral("BoardID not Selected");
inline const QString kBoardInUse =
    QStringLiteral("BoardID you select is inused, now setting with the minum unused");
inline const QString kWriteFailed = QStringLiteral("Failed to write Registry");
inline const QString kInstalled = QStringLiteral("Driver install successfully! ");
inline const QString kCreateFailed = QStringLiteral("Failed to create Registry");
inline const QString kNoDeviceSelected = QStringLiteral("No device selected");
inline const QString kLibraryMissing =
    QStringLiteral("Driver Not Installed,  Please install DLL and SYS Driver firstly");
inline const QString kQueryFailed = QStringLiteral("Failed to Get Divice Information");

// The installer's own notices.
inline const QString kNoInterrupt =
    QStringLiteral("Select the interrupt (IRQ) the board is set to before you install it.");
inline const QString kNoQuery = QStringLiteral(
    "The motion library KRVM716.DLL has no function M716MotDevAvailable, so it cannot tell "
    "which boards answer. Please install a matching version of the library.");

inline QString badBaseAddress(const QString& typed) {
  return QStringLiteral(
             "\"%1\" is not a base address the board can use. Type the base address as "
             "a hexadecimal number from %2 to %3, without 0x or H.")
      .arg(typed, baseAddressText(kLowestBaseAddress), baseAddressText(kHighestBaseAddress));
}

inline QString overlappingBoard(std::uint32_t base, std::uint32_t board, std::uint32_t otherBase) {
  return QStringLiteral(
             "The 32 I/O ports from %1H overlap those of board %2 at %3H. Choose a base "
             "address at least 20H away from it.")
      .arg(baseAddressText(base), QString::number(board), baseAddressText(otherBase));
}

}  // namespace m716::installer::text
