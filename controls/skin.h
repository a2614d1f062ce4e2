// The skin: every bitmap of the program's look, by resource id (136 - 233).
// The images are drawn at build time by the skin generator (res/skin) and
// compiled into the program as PNG files that keep their bit depth: 24 bits
// (RGB) or 8 bits (palette). Call from the UI thread only.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <vector>

namespace orvia::skin {

// Resource path of a skin bitmap (":/skin/169.png").
QString ResourcePath(int id);

// True when the skin holds a bitmap with this id.
bool Has(int id);

// The bitmap as stored: Format_RGB32 for 24-bit images, Format_Indexed8 for
// 8-bit images. A null image for an unknown id.
QImage LoadImage(int id);

// The bitmap ready for drawing; cached. A null pixmap for an unknown id.
QPixmap LoadPixmap(int id);

// Bits per pixel of the stored bitmap (24 or 8), read from its file header;
// 0 for an unknown id.
int BitsPerPixel(int id);

// Every id the skin holds, ascending.
std::vector<int> AllIds();

}  // namespace orvia::skin
