#include "controls/window_drag.h"

#include <QMouseEvent>
#include <QWidget>

bool WindowDrag::Press(QWidget* window, QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  dragging_ = true;
  offset_ = event->globalPosition().toPoint() - window->frameGeometry().topLeft();
  event->accept();
  return true;
}

bool WindowDrag::Move(QWidget* window, QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return false;
  window->move(event->globalPosition().toPoint() - offset_);
  event->accept();
  return true;
}

void WindowDrag::Release(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}
