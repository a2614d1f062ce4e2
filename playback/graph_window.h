// CDlgGraph: the graph window under the front view. Plots the recording's
// per-second acceleration peaks (three axes, +-2 g) or its GPS speed, with a
// red cursor at the second being played. The index's tables are borrowed.
// A click or a drag with the left button moves the cursor along; where the
// button is let go, secondPicked names the second.
#pragma once

#include <QWidget>

class QPainter;

#include "playback/recording_index.h"

namespace orvia {

class CDlgGraph : public QWidget {
  Q_OBJECT

 public:
  enum Mode { kAcceleration = 0, kSpeed = 1 };

  explicit CDlgGraph(QWidget* parent = nullptr);

  int mode() const { return mode_; }
  void SetMode(int mode);
  int cursor() const { return cursor_; }
  void SetCursor(int second);
  int count() const { return count_; }
  // Seconds of the recording and its tables (borrowed; may be null).
  void SetData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes);

 signals:
  void secondPicked(int second);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawSpeedAxis(QPainter& p);
  int SecondAt(const QMouseEvent& event) const;

  int mode_ = kAcceleration;
  int cursor_ = 0;
  int count_ = 0;
  const GPeak* peaks_ = nullptr;
  const std::unique_ptr<GpsFix>* fixes_ = nullptr;
  bool picking_ = false;  // the left button went down on the graph
};

}  // namespace orvia
