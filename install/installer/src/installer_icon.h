#pragma once
// The installer's icon, drawn by the program: the board with an arrow into its slot.
//
// Concurrency: the installer's user-interface thread.

#include <QIcon>

namespace m716::installer {

// In a small (16), a large (32) and a desktop (64) size.
QIcon installerIcon();

}  // namespace m716::installer
