// The skin description: one entry per bitmap, read from skin_bitmaps.txt.
#pragma once

#include <QMap>
#include <QString>
#include <QVector>

namespace skingen {

struct BitmapDescription {
  int id = 0;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  QString painter;
  QMap<QString, QString> args;
  int line = 0;  // line of the description, for messages

  QString Arg(const QString& key, const QString& fallback = QString()) const {
    return args.value(key, fallback);
  }
};

// Parses the description text; on a malformed line returns false and puts a
// message naming the line into *error.
bool ParseDescription(const QString& text, QVector<BitmapDescription>* descriptions, QString* error);

}  // namespace skingen
