// skingen: draws every bitmap of the skin from its description and writes
// them as PNG files with a resource list for the resource compiler.
//
//   skingen <description file> <output folder>
//   skingen --icon <name> <output folder>
//
// The second form draws the program's icon into the hicolor layout
// (<folder>/<N>x<N>/apps/<name>.png) at the usual sizes.
//
// 24-bit bitmaps are written as RGB PNG files, 8-bit bitmaps as palette PNG
// files whose palette is cut from the image's own colours (no dithering, so
// symbols stay crisp). Output is deterministic: the same description gives the
// same bytes.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QTextStream>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app_icon.h"
#include "description.h"
#include "painters.h"

namespace {

struct ColourCount {
  QRgb rgb;
  qint64 count;
};

int Channel(QRgb c, int channel) { return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c); }

// Median cut: splits the colour set along its widest channel until there are
// `maxColours` boxes; each box becomes its count-weighted mean.
QVector<QRgb> MedianCutPalette(std::vector<ColourCount> colours, int maxColours) {
  struct Box {
    size_t begin;
    size_t end;
  };
  std::sort(colours.begin(), colours.end(),
            [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });
  std::vector<Box> boxes = {{0, colours.size()}};
  auto widest = [&](const Box& box, int* channel) {
    int best = -1;
    for (int ch = 0; ch < 3; ++ch) {
      int lo = 255, hi = 0;
      for (size_t i = box.begin; i < box.end; ++i) {
        lo = std::min(lo, Channel(colours[i].rgb, ch));
        hi = std::max(hi, Channel(colours[i].rgb, ch));
      }
      if (hi - lo > best) {
        best = hi - lo;
        *channel = ch;
      }
    }
    return best;
  };
  while (static_cast<int>(boxes.size()) < maxColours) {
    int pick = -1;
    int pickChannel = 0;
    qint64 pickScore = 0;
    for (size_t b = 0; b < boxes.size(); ++b) {
      if (boxes[b].end - boxes[b].begin < 2) continue;
      int channel = 0;
      const int range = widest(boxes[b], &channel);
      qint64 weight = 0;
      for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) weight += colours[i].count;
      const qint64 score = static_cast<qint64>(range) * (1 + static_cast<qint64>(std::sqrt(double(weight))));
      if (range > 0 && score > pickScore) {
        pickScore = score;
        pick = static_cast<int>(b);
        pickChannel = channel;
      }
    }
    if (pick < 0) break;
    Box box = boxes[pick];
    std::sort(colours.begin() + box.begin, colours.begin() + box.end,
              [&](const ColourCount& a, const ColourCount& b) {
                return Channel(a.rgb, pickChannel) < Channel(b.rgb, pickChannel);
              });
    size_t mid = (box.begin + box.end) / 2;
    boxes[pick] = {box.begin, mid};
    boxes.push_back({mid, box.end});
  }
  QVector<QRgb> palette;
  for (const Box& box : boxes) {
    double r = 0, g = 0, b = 0, n = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
      r += qRed(colours[i].rgb) * double(colours[i].count);
      g += qGreen(colours[i].rgb) * double(colours[i].count);
      b += qBlue(colours[i].rgb) * double(colours[i].count);
      n += double(colours[i].count);
    }
    if (n > 0) palette.push_back(qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5)));
  }
  return palette;
}

QImage ToIndexed8(const QImage& source) {
  const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
  QHash<QRgb, qint64> histogram;
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) histogram[line[x] | 0xff000000u] += 1;
  }
  std::vector<ColourCount> colours;
  for (auto it = histogram.cbegin(); it != histogram.cend(); ++it) colours.push_back({it.key(), it.value()});
  QVector<QRgb> palette;
  if (colours.size() <= 256) {
    std::sort(colours.begin(), colours.end(),
              [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });
    for (const ColourCount& c : colours) palette.push_back(c.rgb);
  } else {
    palette = MedianCutPalette(colours, 256);
  }
  QImage out(rgb.size(), QImage::Format_Indexed8);
  out.setColorTable(palette);
  QHash<QRgb, int> nearest;
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = line[x] | 0xff000000u;
      auto found = nearest.constFind(c);
      if (found == nearest.constEnd()) {
        int best = 0;
        int bestDistance = INT32_MAX;
        for (int i = 0; i < palette.size(); ++i) {
          const int dr = qRed(c) - qRed(palette[i]);
          const int dg = qGreen(c) - qGreen(palette[i]);
          const int db = qBlue(c) - qBlue(palette[i]);
          const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
          if (d < bestDistance) {
            bestDistance = d;
            best = i;
          }
        }
        found = nearest.insert(c, best);
      }
      dst[x] = static_cast<uchar>(found.value());
    }
  }
  return out;
}

// Writes `bytes` to `path` unless the file already holds exactly them, so that
// an unchanged skin does not make the build recompile its resources.
bool WriteIfChanged(const QString& path, const QByteArray& bytes) {
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) return true;
  existing.close();
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

}  // namespace

// Writes the icon at each size of the hicolor theme that menus ask for.
int WriteIcons(const QString& name, const QString& folder) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QDir out(QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!out.mkpath(QStringLiteral(".")) || !skingen::PaintAppIcon(size).save(&buffer, "PNG", 0) ||
        !WriteIfChanged(out.filePath(name + ".png"), png)) {
      std::fprintf(stderr, "skingen: cannot write the %d pixel icon into %s\n", size, qPrintable(out.path()));
      return 1;
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc == 4 && QByteArray(argv[1]) == "--icon")
    return WriteIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  if (argc != 3) {
    std::fprintf(
        stderr,
        "usage: skingen <description> <output folder>\n       skingen --icon <name> <output folder>\n");
    return 2;
  }
  QFile descriptionFile(QString::fromLocal8Bit(argv[1]));
  if (!descriptionFile.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "skingen: cannot read %s\n", argv[1]);
    return 1;
  }
  QVector<skingen::BitmapDescription> descriptions;
  QString error;
  if (!skingen::ParseDescription(QString::fromUtf8(descriptionFile.readAll()), &descriptions, &error)) {
    std::fprintf(stderr, "skingen: %s: %s\n", argv[1], qPrintable(error));
    return 1;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  if (!out.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "skingen: cannot create %s\n", argv[2]);
    return 1;
  }
  QString qrc;
  QTextStream qrcStream(&qrc);
  qrcStream << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/skin\">\n";
  for (const skingen::BitmapDescription& desc : descriptions) {
    QImage drawn;
    if (!skingen::PaintBitmap(desc, &drawn, &error)) {
      std::fprintf(stderr, "skingen: line %d (id %d): %s\n", desc.line, desc.id, qPrintable(error));
      return 1;
    }
    const QImage stored =
        desc.bitsPerPixel == 8 ? ToIndexed8(drawn) : drawn.convertToFormat(QImage::Format_RGB888);
    QByteArray png;
    {
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      if (!stored.save(&buffer, "PNG", 0)) {
        std::fprintf(stderr, "skingen: cannot encode id %d\n", desc.id);
        return 1;
      }
    }
    const QString name = QStringLiteral("%1.png").arg(desc.id);
    if (!WriteIfChanged(out.filePath(name), png)) {
      std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(out.filePath(name)));
      return 1;
    }
    qrcStream << "  <file>" << name << "</file>\n";
  }
  qrcStream << "</qresource>\n</RCC>\n";
  qrcStream.flush();
  if (!WriteIfChanged(out.filePath(QStringLiteral("orvia_skin.qrc")), qrc.toUtf8())) {
    std::fprintf(stderr, "skingen: cannot write the resource list\n");
    return 1;
  }
  return 0;
}
