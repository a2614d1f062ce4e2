// Drawing of every kind of skin bitmap. Each painter fills the whole image.
#pragma once

#include <QImage>
#include <QString>

#include "description.h"

namespace skingen {

// Draws the bitmap that `desc` describes into an opaque ARGB image of its
// size. False with a message when the painter or an argument is unknown.
bool PaintBitmap(const BitmapDescription& desc, QImage* image, QString* error);

}  // namespace skingen
