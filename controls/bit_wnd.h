// CBitWnd: a small window that shows one frame of a bitmap strip according to
// hover and press (frame 0 normal, 1 hover, 2 pressed or toggled), and can pass
// its mouse input on to its parent. The bitmap slider's thumb is one.
#pragma once

#include <QWidget>
#include <memory>

#include "controls/bit_wnd_frames.h"

class CBitmapStrip;

class CBitWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CBitWnd(QWidget* parent = nullptr);
  ~CBitWnd() override;

  // Takes ownership of the frames.
  void SetStrip(std::unique_ptr<CBitmapStrip> strip);
  const CBitmapStrip* Strip() const { return strip_.get(); }

  int Frame() const { return state_.frame; }
  bool IsToggled() const { return state_.toggled; }
  void SetToggleMode(bool on) { state_.toggleMode = on; }
  // Mouse move, press and release are also sent to the parent, in its coordinates.
  void SetForwardMouse(bool on) { forwardMouse_ = on; }
  // The command goes out on press instead of release.
  void SetCommandOnPress(bool on) { commandOnPress_ = on; }
  void SetControlId(int id) { controlId_ = id; }
  int ControlId() const { return controlId_; }

 signals:
  void command(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Forward(QMouseEvent* event);
  int FrameCount() const;

  std::unique_ptr<CBitmapStrip> strip_;
  orvia::BitWndState state_;
  bool forwardMouse_ = false;
  bool commandOnPress_ = false;
  int controlId_ = 0;
};
