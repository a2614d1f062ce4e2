#include "controls/white_tab_ctrl.h"

#include <QPainter>
#include <algorithm>

CWhiteTabCtrl::CWhiteTabCtrl(QWidget* parent) : QTabBar(parent) {
  setDrawBase(false);
  setExpanding(false);  // tabs keep their natural width; the band fills the rest
}

void CWhiteTabCtrl::SetBandLeft(int x) {
  bandLeft_ = x;
  update();
}

QRect CWhiteTabCtrl::BandRect() const {
  // The band never covers a tab: tabs wider than the sheet planned for (a
  // longer translation, a larger font) keep their labels readable.
  int left = bandLeft_;
  if (count() > 0) left = std::max(left, tabRect(count() - 1).right() + 1);
  if (left >= width()) return QRect();
  return QRect(left, 0, width() - left, kBandHeight);
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
  int bandLeft = bar_->BandLeft();
  if (bar_->count() > 0) bandLeft = std::max(bandLeft, bar_->tabRect(bar_->count() - 1).right() + 1);
  const int left = bar_->geometry().left() + bandLeft;
  if (left >= width()) return;
  QPainter painter(this);
  painter.fillRect(QRect(left, bar_->geometry().top(), width() - left, CWhiteTabCtrl::kBandHeight),
                   Qt::white);
}
