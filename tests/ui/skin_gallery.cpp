// skin_gallery: renders every skin bitmap, and the skin's buttons in their
// states, into skin-gallery.png for review (the real window's look: the
// viewer's --screenshot).
//
//   skin_gallery <output folder>
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
#include <cstdio>

#include "controls/skin.h"
#include "controls/skin_button.h"

namespace {

QFont CaptionFont(int px) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(px);
  return font;
}

// A button of the skin in one state: normal, hover, pressed, checked or disabled.
QImage ButtonState(int normal, int pressed, int hover, const QString& state) {
  QWidget holder;
  const bool checked = state == QLatin1String("checked");
  auto* button =
      new CxSkinButton(&holder, 1, checked ? SkinButtonBehaviour::kCheckBox : SkinButtonBehaviour::kPush);
  button->SetSkin(normal, pressed, hover);
  holder.resize(button->size());
  holder.show();
  if (state == QLatin1String("hover")) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(button, &enter);
  } else if (state == QLatin1String("pressed")) {
    button->setDown(true);
  } else if (checked) {
    button->SetCheck(true);
  } else if (state == QLatin1String("disabled")) {
    button->setEnabled(false);
  }
  return button->grab().toImage();
}

// Images with captions under them, flowing left to right.
class Sheet {
 public:
  Sheet() : image_(1100, 4200, QImage::Format_RGB32), painter_(&image_) {
    image_.fill(QColor(36, 37, 39));
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
  }
  void Item(const QImage& image, const QString& caption, int displayWidth = 0) {
    const QSize size =
        displayWidth > 0 ? image.size().scaled(displayWidth, 10000, Qt::KeepAspectRatio) : image.size();
    painter_.setFont(CaptionFont(10));
    const int cell = std::max(size.width(), painter_.fontMetrics().horizontalAdvance(caption)) + 14;
    if (x_ + cell > image_.width() - 16 && x_ > 16) NewRow();
    painter_.drawImage(QRect(QPoint(x_, y_), size), image);
    painter_.setPen(QColor(190, 192, 196));
    painter_.drawText(QPointF(x_, y_ + size.height() + 13), caption);
    rowHeight_ = std::max(rowHeight_, size.height() + 20);
    x_ += cell;
  }
  void NewRow() {
    y_ += rowHeight_ > 0 ? rowHeight_ + 6 : 0;
    x_ = 16;
    rowHeight_ = 0;
  }
  QImage Finish() {
    NewRow();
    painter_.end();
    return image_.copy(0, 0, image_.width(), y_ + 16);
  }

 private:
  QImage image_;
  QPainter painter_;
  int x_ = 16, y_ = 16, rowHeight_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

  Sheet sheet;
  for (int id : orvia::skin::AllIds()) {
    const QImage image = orvia::skin::LoadImage(id);
    const QString caption = QStringLiteral("%1  %2x%3 %4b")
                                .arg(id)
                                .arg(image.width())
                                .arg(image.height())
                                .arg(orvia::skin::BitsPerPixel(id));
    const bool large = image.width() > 500;  // the background and the logos, at half size or less
    sheet.Item(image, caption, large ? 500 : 0);
  }
  sheet.NewRow();
  const int buttons[][3] = {{147, 148, 147}, {169, 170, 169}, {213, 214, 213}, {161, 162, 161},
                            {136, 137, 138}, {230, 231, 230}, {207, 208, 207}, {187, 188, 187}};
  for (const auto& b : buttons) {
    for (const char* state : {"normal", "hover", "pressed", "checked", "disabled"}) {
      const QImage shot = ButtonState(b[0], b[1], b[2], QLatin1String(state));
      sheet.Item(shot, QStringLiteral("%1 %2").arg(b[0]).arg(QLatin1String(state)), shot.width() * 2);
    }
    sheet.NewRow();
  }
  const QString file = out.filePath(QStringLiteral("skin-gallery.png"));
  if (!sheet.Finish().save(file)) {
    std::fprintf(stderr, "skin_gallery: cannot write %s\n", qPrintable(file));
    return 1;
  }
  return 0;
}
