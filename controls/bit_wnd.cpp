#include "controls/bit_wnd.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include "controls/bitmap_strip.h"

CBitWnd::CBitWnd(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
}

CBitWnd::~CBitWnd() = default;

void CBitWnd::SetStrip(std::unique_ptr<CBitmapStrip> strip) {
  strip_ = std::move(strip);
  update();
}

int CBitWnd::FrameCount() const { return strip_ ? strip_->FrameCount() : 0; }

void CBitWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (strip_) strip_->DrawFrame(state_.frame, painter);
}

void CBitWnd::enterEvent(QEnterEvent* event) {
  orvia::BitWndOnHover(&state_, FrameCount());
  update();
  QWidget::enterEvent(event);
}

void CBitWnd::leaveEvent(QEvent* event) {
  orvia::BitWndOnLeave(&state_, FrameCount());
  update();
  QWidget::leaveEvent(event);
}

void CBitWnd::Forward(QMouseEvent* event) {
  QWidget* parent = parentWidget();
  if (!forwardMouse_ || parent == nullptr) return;
  QMouseEvent copy(event->type(), mapToParent(event->position()), event->scenePosition(),
                   event->globalPosition(), event->button(), event->buttons(), event->modifiers(),
                   event->pointingDevice());
  QCoreApplication::sendEvent(parent, &copy);
}

void CBitWnd::mouseMoveEvent(QMouseEvent* event) { Forward(event); }

void CBitWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  orvia::BitWndOnButtonDown(&state_, FrameCount());
  update();
  if (commandOnPress_) emit command(controlId_);
  Forward(event);
}

void CBitWnd::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  orvia::BitWndOnButtonUp(&state_, FrameCount());
  update();
  if (!commandOnPress_) emit command(controlId_);
  Forward(event);
}
