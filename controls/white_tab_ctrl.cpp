#include "controls/white_tab_ctrl.h"

#include <QPainter>

CWhiteTabCtrl::CWhiteTabCtrl(QWidget* parent) : QTabBar(parent) { setDrawBase(false); }

void CWhiteTabCtrl::SetBandLeft(int x) {
  bandLeft_ = x;
  update();
}

QRect CWhiteTabCtrl::BandRect() const {
  if (bandLeft_ >= width()) return QRect();
  return QRect(bandLeft_, 0, width() - bandLeft_, kBandHeight);
}

void CWhiteTabCtrl::paintEvent(QPaintEvent* event) {
  QTabBar::paintEvent(event);
  const QRect band = BandRect();
  if (band.isEmpty()) return;
  QPainter painter(this);
  painter.fillRect(band, Qt::white);
}

CWhiteTabWidget::CWhiteTabWidget(QWidget* parent) : QTabWidget(parent), bar_(new CWhiteTabCtrl(this)) {
  setTabBar(bar_);
}

void CWhiteTabWidget::SetBandLeft(int x) {
  bar_->SetBandLeft(x);
  update();
}

void CWhiteTabWidget::paintEvent(QPaintEvent* event) {
  QTabWidget::paintEvent(event);
  // The tab bar may be narrower than the widget: the band runs on to the right
  // edge of the whole tab widget.
  const int left = bar_->geometry().left() + bar_->BandLeft();
  if (left >= width()) return;
  QPainter painter(this);
  painter.fillRect(QRect(left, bar_->geometry().top(), width() - left, CWhiteTabCtrl::kBandHeight), Qt::white);
}
