// skin_gallery: renders every skin bitmap and the skinned controls in their
// states into skin-gallery.png, and mocks of the main window in normal and
// full-screen layout (main-window-mock.png, full-screen-mock.png), for review.
//
//   skin_gallery <output folder>
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "controls/skin.h"
#include "controls/skin_button.h"
#include "controls/white_tab_ctrl.h"

namespace {

const QColor kSheet(36, 37, 39);
const QColor kCaption(190, 192, 196);

QFont CaptionFont(int px, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(px);
  font.setBold(bold);
  return font;
}

// A window surface that paints one skin bitmap (or a colour) behind children.
class Surface : public QWidget {
 public:
  Surface(int backgroundId, const QColor& fill) : backgroundId_(backgroundId), fill_(fill) {}
  void AddOverlay(int id, const QPoint& at) { overlays_.push_back({id, at}); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), fill_);
    if (backgroundId_ > 0) p.drawPixmap(rect(), orvia::skin::LoadPixmap(backgroundId_));
    for (const auto& [id, at] : overlays_) p.drawPixmap(at, orvia::skin::LoadPixmap(id));
  }

 private:
  int backgroundId_;
  QColor fill_;
  std::vector<std::pair<int, QPoint>> overlays_;
};

CxSkinButton* Button(QWidget* parent, int id, int normal, int pressed, const QPoint& at) {
  auto* button = new CxSkinButton(parent, id);
  button->move(at);
  button->SetSkin(normal, pressed, normal, normal);
  return button;
}

CBitSlider* Slider(QWidget* parent, int id, const QRect& place, int min, int max, int pos, int right,
                   int left) {
  auto* slider = new CBitSlider(parent, id);
  slider->setGeometry(place);
  slider->SetRange(min, max);
  slider->SetPos(pos);
  slider->CreateThumb();
  slider->SetBitmaps(right, left);
  if (place.width() != slider->width()) slider->resize(place.size());
  return slider;
}

QLabel* Readout(QWidget* parent, const QString& text, const QColor& colour, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  label->setFont(CaptionFont(12));
  label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
  return label;
}

void FillList(CColoredListCtrl* list) {
  list->InsertColumn(0, QStringLiteral("No"), 40);
  list->InsertColumn(1, QStringLiteral("Date"), 80);
  list->InsertColumn(2, QStringLiteral("Time"), 75);
  list->InsertColumn(3, QStringLiteral("Type"), 120);
  list->InsertColumn(4, QStringLiteral("Path"), 0);
  const char* types[] = {"Normal",         "Normal", "Event",  "Parking",
                         "Parking motion", "Normal", "Normal", "Event"};
  for (int i = 0; i < 8; ++i) {
    list->AddRow({QString::number(i + 1), QStringLiteral("2024-05-17"),
                  QStringLiteral("08:%1:00").arg(12 + i, 2, 10, QLatin1Char('0')),
                  QString::fromLatin1(types[i]), QStringLiteral("/card/Normal/x.avi")});
  }
  list->setCurrentItem(list->topLevelItem(2));
}

// The main window in its normal layout.
QImage MainWindowMock() {
  Surface window(186, Qt::black);
  window.resize(1020, 730);
  window.AddOverlay(189, QPoint(400, 532));
  Button(&window, 1002, 147, 148, {305, 8});
  Button(&window, 1005, 149, 150, {450, 8});
  Button(&window, 1006, 151, 152, {595, 8});
  Button(&window, 1007, 153, 154, {740, 8});
  Button(&window, 1003, 155, 156, {932, 17});
  Button(&window, 1004, 157, 158, {970, 17});
  Button(&window, 1010, 161, 162, {13, 271});
  Button(&window, 1008, 163, 164, {260, 261});
  Button(&window, 1012, 166, 165, {306, 445});
  Button(&window, 1013, 167, 168, {356, 445});
  Button(&window, 1014, 169, 170, {406, 445});
  Button(&window, 1015, 171, 172, {456, 445});
  Button(&window, 1016, 173, 174, {506, 445});
  Button(&window, 1124, 220, 219, {556, 445});
  Button(&window, 1009, 163, 164, {971, 446});
  Button(&window, 1017, 187, 188, {370, 537});
  Button(&window, 1025, 230, 231, {929, 536});
  Slider(&window, 1021, QRect(663, 459, 125, 10), 0, 4, 2, 179, 180);
  Slider(&window, 1023, QRect(831, 459, 125, 10), 0, 10, 5, 179, 180);
  Slider(&window, 1019, QRect(439, 500, 490, 10), 0, 59, 17, 175, 176);
  auto* time = new QLabel(QStringLiteral("24/05/17 08:14:17"), &window);
  time->setGeometry(322, 498, 115, 15);
  time->setFont(CaptionFont(11));
  time->setStyleSheet(QStringLiteral("color: white; background: rgb(73, 73, 74);"));
  Readout(&window, QStringLiteral("X: 0.02"), QColor(255, 0, 0), QRect(932, 600, 150, 15));
  Readout(&window, QStringLiteral("Y: -0.11"), QColor(255, 255, 0), QRect(932, 640, 150, 15));
  Readout(&window, QStringLiteral("Z: 0.98"), QColor(0, 255, 0), QRect(932, 680, 150, 15));
  auto* list = new CColoredListCtrl(&window);
  list->setGeometry(14, 537, 357, 181);
  FillList(list);
  // Stand-ins for the views, the map and the graph, which other parts draw.
  auto* graph = new QLabel(&window);
  graph->setGeometry(438, 537, 490, 180);
  graph->setStyleSheet(QStringLiteral("background: black;"));
  window.show();
  return window.grab().toImage();
}

// Full screen on a 1280 x 720 monitor.
QImage FullScreenMock() {
  const int w = 1280;
  const int h = 720;
  const int cx = w / 2;
  Surface window(0, QColor(73, 73, 74));
  window.resize(w, h);
  auto* view = new QLabel(QStringLiteral("front view"), &window);
  view->setGeometry(22, 32, w - 44, h - 103);
  view->setAlignment(Qt::AlignCenter);
  view->setStyleSheet(QStringLiteral("background: rgb(14, 14, 15); color: rgb(90, 90, 90);"));
  auto* bars = new Surface(0, QColor(73, 73, 74));
  bars->setParent(&window);
  bars->setGeometry(0, h - 38, w, 38);
  // The bars as the window paints them: the bottom bar over the full width and
  // the control bar stretched to 72 % of it.
  QPixmap strip(w, 38);
  strip.fill(QColor(73, 73, 74));
  {
    QPainter p(&strip);
    p.drawPixmap(QRect(0, 38 - 22, w, 22), orvia::skin::LoadPixmap(191));
    p.drawPixmap(QRect(w * 14 / 100, 0, w * 72 / 100, 26), orvia::skin::LoadPixmap(215));
  }
  auto* stripLabel = new QLabel(bars);
  stripLabel->setPixmap(strip);
  stripLabel->setGeometry(0, 0, w, 38);
  Button(&window, 1004, 194, 195, {w - 51, 8});
  Button(&window, 1115, 192, 193, {w - 65, 8});
  Button(&window, 1003, 196, 197, {w - 80, 8});
  Button(&window, 1012, 205, 206, {cx - 140, h - 38});
  Button(&window, 1014, 211, 212, {cx - 68, h - 38});
  Button(&window, 1016, 209, 210, {cx, h - 38});
  Button(&window, 1124, 222, 221, {cx + 72, h - 38});
  Button(&window, 1116, 216, 217, {w - 45, h - 72});
  Slider(&window, 1019, QRect(w * 14 / 100, h - 62, w * 72 / 100, 10), 0, 59, 40, 175, 176);
  window.show();
  return window.grab().toImage();
}

// Grabs a button in one state: normal, hover, pressed, checked or disabled.
QImage ButtonState(int normal, int pressed, int hover, int checked, const QString& state) {
  QWidget holder;
  auto* button = new CxSkinButton(
      &holder, 1,
      state == QLatin1String("checked") ? SkinButtonBehaviour::kCheckBox : SkinButtonBehaviour::kPush);
  button->SetSkin(normal, pressed, hover, checked);
  holder.resize(button->size());
  holder.show();
  if (state == QLatin1String("hover")) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(button, &enter);
  } else if (state == QLatin1String("pressed")) {
    button->setDown(true);
  } else if (state == QLatin1String("checked")) {
    button->SetCheck(true);
  } else if (state == QLatin1String("disabled")) {
    button->setEnabled(false);
  }
  return button->grab().toImage();
}

class Sheet {
 public:
  explicit Sheet(int width) : image_(width, 4200, QImage::Format_RGB32), painter_(&image_) {
    image_.fill(kSheet);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
  }

  void Heading(const QString& text) {
    NewRow();
    y_ += 14;
    painter_.setFont(CaptionFont(18, true));
    painter_.setPen(QColor(245, 166, 35));
    painter_.drawText(QPointF(kMargin, y_ + 18), text);
    y_ += 32;
  }

  // Places an image with a caption under it, flowing left to right.
  void Item(const QImage& image, const QString& caption, int displayWidth = 0) {
    const QSize size =
        displayWidth > 0 ? image.size().scaled(displayWidth, 10000, Qt::KeepAspectRatio) : image.size();
    const QFont font = CaptionFont(10);
    const int captionWidth = QFontMetrics(font).horizontalAdvance(caption);
    const int cell = std::max(size.width(), captionWidth) + kGap;
    if (x_ + cell > image_.width() - kMargin && x_ > kMargin) NewRow();
    painter_.drawImage(QRect(QPoint(x_, y_), size), image);
    painter_.setFont(font);
    painter_.setPen(kCaption);
    painter_.drawText(QPointF(x_, y_ + size.height() + 13), caption);
    rowHeight_ = std::max(rowHeight_, size.height() + 20);
    x_ += cell;
  }

  void NewRow() {
    if (rowHeight_ > 0) y_ += rowHeight_ + 6;
    x_ = kMargin;
    rowHeight_ = 0;
  }

  QImage Finish() {
    NewRow();
    painter_.end();
    return image_.copy(0, 0, image_.width(), y_ + kMargin);
  }

 private:
  static constexpr int kMargin = 16;
  static constexpr int kGap = 14;
  QImage image_;
  QPainter painter_;
  int x_ = kMargin;
  int y_ = kMargin;
  int rowHeight_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

  Sheet sheet(1100);
  sheet.Heading(QStringLiteral("Skin bitmaps (1:1 unless noted)"));
  for (int id : orvia::skin::AllIds()) {
    const QImage image = orvia::skin::LoadImage(id);
    const QString caption = QStringLiteral("%1  %2x%3 %4b")
                                .arg(id)
                                .arg(image.width())
                                .arg(image.height())
                                .arg(orvia::skin::BitsPerPixel(id));
    if (id == 186) {
      sheet.Item(image, caption + QStringLiteral(" (50%)"), 510);
    } else if (id == 223 || id == 224) {
      sheet.Item(image, caption + QStringLiteral(" (25%)"), 480);
    } else {
      sheet.Item(image, caption);
    }
  }

  sheet.Heading(QStringLiteral("Buttons: normal, hover, pressed, checked, disabled (200%)"));
  const int buttons[][4] = {{147, 148, 147, 0}, {169, 170, 169, 0}, {213, 214, 213, 0}, {161, 162, 161, 0},
                            {136, 137, 138, 0}, {230, 231, 230, 0}, {207, 208, 207, 0}, {187, 188, 187, 0}};
  for (const auto& b : buttons) {
    for (const QString& state : {QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("pressed"),
                                 QStringLiteral("checked"), QStringLiteral("disabled")}) {
      const QImage shot = ButtonState(b[0], b[1], b[2], b[3], state);
      sheet.Item(shot, QStringLiteral("%1 %2").arg(b[0]).arg(state), shot.width() * 2);
    }
    sheet.NewRow();
  }

  sheet.Heading(QStringLiteral("Sliders at their ends and in between (200%)"));
  for (int pos : {0, 17, 59}) {
    QWidget holder;
    CBitSlider* s = Slider(&holder, 1019, QRect(0, 0, 490, 10), 0, 59, pos, 175, 176);
    holder.resize(s->size());
    holder.show();
    const QImage shot = s->grab().toImage();
    sheet.Item(shot, QStringLiteral("time line, position %1").arg(pos), shot.width() * 2);
    sheet.NewRow();
  }
  for (int pos : {0, 2, 4}) {
    QWidget holder;
    CBitSlider* s = Slider(&holder, 1021, QRect(0, 0, 125, 10), 0, 4, pos, 179, 180);
    holder.resize(s->size());
    holder.show();
    const QImage shot = s->grab().toImage();
    sheet.Item(shot, QStringLiteral("speed, position %1").arg(pos), shot.width() * 2);
  }

  sheet.Heading(QStringLiteral("Coloured list and white tab"));
  {
    QWidget holder;
    auto* list = new CColoredListCtrl(&holder);
    list->setGeometry(0, 0, 357, 181);
    FillList(list);
    holder.resize(357, 181);
    holder.show();
    sheet.Item(list->grab().toImage(), QStringLiteral("recordings list, row 3 selected"));
    CWhiteTabWidget tabs;
    tabs.addTab(new QWidget, QStringLiteral("Play list"));
    tabs.addTab(new QWidget, QStringLiteral("Disk format"));
    tabs.SetBandLeft(136);
    tabs.resize(420, 120);
    tabs.show();
    sheet.Item(tabs.grab().toImage(), QStringLiteral("tab sheet, band from x = 136"));
  }

  const QImage mainMock = MainWindowMock();
  sheet.Heading(QStringLiteral("Main window and full screen (50%)"));
  sheet.Item(mainMock, QStringLiteral("main window mock"), 510);
  const QImage fullMock = FullScreenMock();
  sheet.Item(fullMock, QStringLiteral("full screen mock, 1280 x 720"), 510);

  // The small bitmaps again at 300 %, to judge their pixels.
  Sheet zoom(1100);
  zoom.Heading(QStringLiteral("Small bitmaps at 300%"));
  for (int id : orvia::skin::AllIds()) {
    const QImage image = orvia::skin::LoadImage(id);
    if (image.width() > 200 || image.height() > 200) continue;
    zoom.Item(image.scaled(image.size() * 3), QString::number(id));
  }

  bool ok = sheet.Finish().save(out.filePath(QStringLiteral("skin-gallery.png")));
  ok = zoom.Finish().save(out.filePath(QStringLiteral("skin-zoom.png"))) && ok;
  ok = mainMock.save(out.filePath(QStringLiteral("main-window-mock.png"))) && ok;
  ok = fullMock.save(out.filePath(QStringLiteral("full-screen-mock.png"))) && ok;
  if (!ok) {
    std::fprintf(stderr, "skin_gallery: cannot write into %s\n", qPrintable(out.path()));
    return 1;
  }
  std::printf("skin_gallery: wrote %s\n", qPrintable(out.filePath(QStringLiteral("skin-gallery.png"))));
  return 0;
}
