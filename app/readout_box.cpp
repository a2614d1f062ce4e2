#include "app/readout_box.h"

#include <QLabel>

namespace orvia {

ReadoutBox::ReadoutBox(QWidget* window, QLabel* x, QLabel* y, QLabel* z) : QObject(window), axes_{x, y, z} {
  speed_ = new QLabel(window);
  speed_->setObjectName(QStringLiteral("speedText"));
  // The box spans the three axis rows, from the mode button to the bottom.
  speed_->setGeometry(932, 600, 74, 95);
  speed_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  speed_->setTextFormat(Qt::RichText);
  speed_->setAttribute(Qt::WA_TranslucentBackground);
  QPalette pal = speed_->palette();
  pal.setColor(QPalette::WindowText, QColor(255, 255, 0));  // the colour of the speed line
  speed_->setPalette(pal);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  font.setBold(true);
  speed_->setFont(font);
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
