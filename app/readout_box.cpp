#include "app/readout_box.h"

#include <QLabel>

namespace orvia {

ReadoutBox::ReadoutBox(QWidget* window, QLabel* x, QLabel* y, QLabel* z) : QObject(window), axes_{x, y, z} {
  // The speed covers the inside of the read-out plate, with its dividers and
  // its "G-FORCE" caption, in the plate's own colour.
  speed_ = new QLabel(window);
  speed_->setObjectName(QStringLiteral("speedText"));
  speed_->setGeometry(932, 593, 72, 122);
  speed_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  speed_->setTextFormat(Qt::RichText);
  speed_->setAutoFillBackground(true);
  QPalette pal = speed_->palette();
  pal.setColor(QPalette::Window, QColor(14, 14, 15));
  pal.setColor(QPalette::WindowText, QColor(255, 255, 0));  // the colour of the speed line
  speed_->setPalette(pal);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  font.setBold(true);
  speed_->setFont(font);
  auto* caption = new QLabel(QStringLiteral("SPEED"), speed_);
  caption->setGeometry(2, 110, 68, 10);
  QPalette grey = caption->palette();
  grey.setColor(QPalette::WindowText, QColor(110, 111, 114));
  caption->setPalette(grey);
  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(7);
  small.setBold(true);
  small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  caption->setFont(small);
  speed_->hide();
}

void ReadoutBox::SetSpeedText(const QString& text) {
  // "52 km/h": the number large, the unit below it.
  const int space = text.indexOf(' ');
  if (space < 0) {
    speed_->setText(text.toHtmlEscaped());
    return;
  }
  speed_->setText(QStringLiteral("<span style=\"font-size:24px\">%1</span><br>%2")
                      .arg(text.left(space).toHtmlEscaped(), text.mid(space + 1).toHtmlEscaped()));
}

void ReadoutBox::Apply(bool speedPlot, bool fullScreen) {
  for (QLabel* axis : axes_) axis->setVisible(!fullScreen && !speedPlot);
  speed_->setVisible(!fullScreen && speedPlot);
}

}  // namespace orvia
