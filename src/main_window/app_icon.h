#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon, drawn at 16, 24, 32 and 48 pixels: a clock face on a
// blue tile, for a tool that works by the clock.
QIcon appIcon();
// The same drawing at any size, `size` pixels square.
QPixmap appIconPixmap(int size);
