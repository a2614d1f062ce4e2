#include "playback/graph_window.h"

#include <QPainter>
#include <cmath>

namespace orvia {
namespace {

// Height of an axis value: +2 g at the top, 0 g in the middle, -2 g at the bottom.
int AccelerationY(int v, int h) {
  if (v >= 2000) return 0;
  if (v <= -2000) return h;
  return static_cast<int>((2000.0 - v) * h / 4000.0);
}

// Height of a stored speed (times 10): 0 at the bottom, 2000 at the top.
int SpeedY(unsigned w, int h) {
  if (w >= 20000) return 0;
  return static_cast<int>((20000.0 - w) * h / 20000.0);
}

}  // namespace

CDlgGraph::CDlgGraph(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setObjectName("graph");
}

void CDlgGraph::SetMode(int mode) {
  mode_ = mode == kSpeed ? kSpeed : kAcceleration;
  update();
}

void CDlgGraph::SetCursor(int second) {
  cursor_ = second;
  update();
}

void CDlgGraph::SetData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes) {
  count_ = count;
  peaks_ = peaks;
  fixes_ = fixes;
  update();
}

void CDlgGraph::paintEvent(QPaintEvent*) {
  const int w = width(), h = height();
  const float step = static_cast<float>(w) / 60.0f;
  auto xOf = [step](int i) { return static_cast<int>(std::trunc(static_cast<float>(i) * step)); };
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  const QPen red(QColor(255, 0, 0), 1), yellow(QColor(255, 255, 0), 1), green(QColor(0, 255, 0), 1);
  if (mode_ == kAcceleration) {
    QPoint prev[3];
    for (int i = 0; i <= count_; ++i) {
      GPeak g = (peaks_ && i < count_ && i < kMaxSeconds) ? peaks_[i] : GPeak{};
      QPoint pt[3] = {{xOf(i), AccelerationY(g.x, h)}, {xOf(i), AccelerationY(g.y, h)},
                      {xOf(i), AccelerationY(g.z, h)}};
      if (i > 0) {
        p.setPen(yellow);
        p.drawLine(prev[1], pt[1]);
        p.setPen(green);
        p.drawLine(prev[2], pt[2]);
        p.setPen(red);
        p.drawLine(prev[0], pt[0]);
      }
      for (int a = 0; a < 3; ++a) prev[a] = pt[a];
    }
  } else if (fixes_) {
    bool have = false;
    QPoint prev;
    p.setPen(yellow);
    for (int i = 0; i < count_ && i < kMaxSeconds; ++i) {
      if (!fixes_[i]) continue;
      QPoint pt(xOf(i), SpeedY(static_cast<uint16_t>(fixes_[i]->speed), h));
      if (have) p.drawLine(prev, pt);
      prev = pt;
      have = true;
    }
  }
  p.setPen(red);
  p.drawLine(xOf(cursor_), 0, xOf(cursor_), h);
}

}  // namespace orvia
