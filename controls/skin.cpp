#include "controls/skin.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPixmapCache>
#include <algorithm>

// The skin's resource file is compiled into a static library; referencing its
// initialiser keeps the linker from dropping it.
static void InitSkinResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(orvia_skin);
    return true;
  }();
  (void)done;
}

namespace orvia::skin {

namespace {

// Bits per pixel from a PNG header: bit depth and colour type of its IHDR chunk.
int PngBitsPerPixel(const QByteArray& head) {
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (head.size() < 26 || !head.startsWith(QByteArray(kSignature, 8))) return 0;
  if (head.mid(12, 4) != "IHDR") return 0;
  const int bitDepth = static_cast<unsigned char>(head[24]);
  const int colourType = static_cast<unsigned char>(head[25]);
  switch (colourType) {
    case 0:
      return bitDepth;  // grey
    case 2:
      return bitDepth * 3;  // RGB
    case 3:
      return bitDepth;  // palette
    case 4:
      return bitDepth * 2;  // grey + alpha
    case 6:
      return bitDepth * 4;  // RGBA
    default:
      return 0;
  }
}

}  // namespace

QString ResourcePath(int id) { return QStringLiteral(":/skin/%1.png").arg(id); }

bool Has(int id) {
  InitSkinResources();
  return QFile::exists(ResourcePath(id));
}

QImage LoadImage(int id) {
  InitSkinResources();
  QImage image(ResourcePath(id));
  return image;
}

QPixmap LoadPixmap(int id) {
  InitSkinResources();
  const QString key = QStringLiteral("orvia-skin-%1").arg(id);
  QPixmap pixmap;
  if (QPixmapCache::find(key, &pixmap)) return pixmap;
  if (!pixmap.load(ResourcePath(id))) return QPixmap();
  QPixmapCache::insert(key, pixmap);
  return pixmap;
}

int BitsPerPixel(int id) {
  InitSkinResources();
  QFile file(ResourcePath(id));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  return PngBitsPerPixel(file.read(32));
}

std::vector<int> AllIds() {
  InitSkinResources();
  std::vector<int> ids;
  const QStringList names = QDir(QStringLiteral(":/skin")).entryList(QDir::Files);
  for (const QString& name : names) {
    bool ok = false;
    const int id = QString(name).remove(QStringLiteral(".png")).toInt(&ok);
    if (ok) ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

}  // namespace orvia::skin
