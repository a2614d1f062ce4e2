// Moves a frameless window with the mouse, as its caption would: a left
// press on the window's own surface starts the drag, moves follow it, the
// release ends it. The window forwards its mouse events here.
#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

class WindowDrag {
 public:
  // A left-button press starts a drag; true when the event was taken.
  bool Press(QWidget* window, QMouseEvent* event);
  // Moves the window while a drag lasts; true when the event was taken.
  bool Move(QWidget* window, QMouseEvent* event);
  // A left-button release ends the drag.
  void Release(QMouseEvent* event);

 private:
  bool dragging_ = false;
  QPoint offset_;  // pointer position minus the window's top left, global
};
