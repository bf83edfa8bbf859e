#pragma once
// The pictures the utility draws of its own: the board with its four axis connectors for the
// main screen, and the program's icon.
//
// Concurrency: the utility runs on its user-interface thread only.

#include <QIcon>
#include <QPixmap>

namespace m716::utility {

QPixmap boardPicture();
// The program's icon in a small (16) and a large (32) size, and one for desktops (64).
QIcon programIcon();

}  // namespace m716::utility
