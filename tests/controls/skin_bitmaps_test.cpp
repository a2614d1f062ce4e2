// Every bitmap of the skin is present at its exact size and bit depth.
#include <QtTest>

#include "controls/skin.h"

namespace {

struct Expected {
  int width;
  int height;
  int bitsPerPixel;
  std::vector<int> ids;
};

// The skin's bitmap table.
const std::vector<Expected>& Table() {
  static const std::vector<Expected> table = {
      {17, 17, 24, {136, 137, 138}},
      {145, 37, 24, {147, 148, 149, 150, 151, 152}},
      {144, 37, 24, {153, 154}},
      {38, 20, 24, {155, 156}},
      {36, 20, 24, {157, 158}},
      {70, 36, 24, {159, 160, 161, 162}},
      {36, 36, 24, {163, 164}},
      {50, 38, 8, {165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 213, 214, 219, 220}},
      {490, 10, 24, {175, 176}},
      {18, 12, 24, {177}},
      {125, 10, 8, {179}},
      {125, 10, 24, {180}},
      {1020, 730, 24, {186}},
      {29, 50, 24, {187, 188}},
      {36, 187, 24, {189, 190}},
      {750, 22, 24, {191}},
      {14, 15, 24, {192, 193}},
      {29, 15, 24, {194, 195}},
      {15, 15, 24, {196, 197}},
      {72, 26, 24, {205, 206, 209, 210}},
      {68, 26, 24, {207, 208, 211, 212}},
      {193, 26, 24, {215}},
      {23, 22, 24, {216, 217}},
      {72, 26, 8, {221}},
      {73, 26, 8, {222}},
      {1920, 1080, 24, {223, 224}},
      {77, 45, 24, {230, 231, 232, 233}},
  };
  return table;
}

}  // namespace

class SkinBitmapsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyBitmapHasItsSizeAndDepth_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bitsPerPixel");
    for (const Expected& row : Table()) {
      for (int id : row.ids) {
        QTest::addRow("%d", id) << id << row.width << row.height << row.bitsPerPixel;
      }
    }
  }

  void everyBitmapHasItsSizeAndDepth() {
    QFETCH(int, id);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bitsPerPixel);
    QVERIFY(orvia::skin::Has(id));
    const QImage image = orvia::skin::LoadImage(id);
    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(orvia::skin::BitsPerPixel(id), bitsPerPixel);
    // The decoded form agrees with the stored depth: palette or opaque RGB.
    if (bitsPerPixel == 8) {
      QCOMPARE(image.format(), QImage::Format_Indexed8);
      QVERIFY(image.colorCount() <= 256);
    } else {
      QVERIFY(!image.hasAlphaChannel());
      QCOMPARE(image.depth(), 32);
    }
  }

  void theSkinHoldsExactlyTheTable() {
    std::vector<int> expected;
    for (const Expected& row : Table()) expected.insert(expected.end(), row.ids.begin(), row.ids.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(orvia::skin::AllIds(), expected);
    QVERIFY(!orvia::skin::Has(178));
    QVERIFY(orvia::skin::LoadImage(178).isNull());
    QCOMPARE(orvia::skin::BitsPerPixel(178), 0);
  }

  // Images are drawn, not blank: each shows more than one colour, and a
  // pressed image differs from its normal image.
  void imagesAreDrawnAndPressedDiffers() {
    for (int id : orvia::skin::AllIds()) {
      const QImage image = orvia::skin::LoadImage(id).convertToFormat(QImage::Format_RGB32);
      const QRgb first = image.pixel(0, 0);
      bool varied = false;
      for (int y = 0; y < image.height() && !varied; ++y) {
        for (int x = 0; x < image.width() && !varied; ++x) varied = image.pixel(x, y) != first;
      }
      QVERIFY2(varied, qPrintable(QStringLiteral("bitmap %1 is one flat colour").arg(id)));
    }
    const std::vector<std::pair<int, int>> pairs = {{147, 148}, {155, 156}, {161, 162}, {166, 165},
                                                    {169, 170}, {220, 219}, {187, 188}, {207, 208},
                                                    {222, 221}, {230, 231}};
    for (const auto& [normal, pressed] : pairs) {
      const QImage a = orvia::skin::LoadImage(normal).convertToFormat(QImage::Format_RGB32);
      const QImage b = orvia::skin::LoadImage(pressed).convertToFormat(QImage::Format_RGB32).scaled(a.size());
      QVERIFY2(a != b, qPrintable(QStringLiteral("%1 and %2 look the same").arg(normal).arg(pressed)));
    }
  }

  // Behind the time text the window's static is painted with the panel brush;
  // the background must show the same colour there, and around the sliders.
  void backgroundMatchesThePanelBrushWhereControlsBlend() {
    const QImage background = orvia::skin::LoadImage(186);
    const QRgb panel = qRgb(73, 73, 74);
    for (const QPoint& p : {QPoint(322, 498), QPoint(436, 512), QPoint(700, 458), QPoint(900, 470)}) {
      QCOMPARE(background.pixel(p), panel);
    }
    // The slider channels and thumb have the same colour above their groove.
    for (int id : {175, 176, 177, 179, 180}) QCOMPARE(orvia::skin::LoadImage(id).pixel(0, 0), panel);
  }
};

QTEST_MAIN(SkinBitmapsTest)
#include "skin_bitmaps_test.moc"
