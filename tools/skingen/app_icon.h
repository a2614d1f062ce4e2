// The program's icon for the desktop's menus and task bars: the lens emblem
// of the title band on a panel-coloured tile, drawn at any size.
#pragma once

#include <QImage>

namespace skingen {

// A square ARGB picture of `size` pixels with a transparent surround.
QImage PaintAppIcon(int size);

}  // namespace skingen
