// The program's picture: a small auk (a penguin look-alike, but it flies).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tolvan {

// Drawn at 16, 32, 48 and 64 pixels.
QIcon ProgramIcon();
// One size of it, square.
QPixmap ProgramPixmap(int size = 32);

}  // namespace tolvan
