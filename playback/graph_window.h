// CDlgGraph: the graph window under the front view. Plots the recording's
// per-second acceleration peaks (three axes, +-2 g) or its GPS speed, with a
// red cursor at the second being played. The index's tables are borrowed.
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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawSpeedAxis(QPainter& p);

  int mode_ = kAcceleration;
  int cursor_ = 0;
  int count_ = 0;
  const GPeak* peaks_ = nullptr;
  const std::unique_ptr<GpsFix>* fixes_ = nullptr;
};

}  // namespace orvia
