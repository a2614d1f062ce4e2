#include "playback/graph_window.h"

#include <QPainter>

#include "playback/graph_geometry.h"

namespace orvia {

CDlgGraph::CDlgGraph(QWidget* parent) : QWidget(parent) {
  // The paint covers the whole client area: nothing is erased first.
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
  GraphInput in;
  in.mode = mode_ == kSpeed ? GraphMode::kSpeed : GraphMode::kAcceleration;
  in.width = width();
  in.height = height();
  in.count = count_;
  in.cursor = cursor_;
  in.peaks = peaks_;
  in.fixes = fixes_;
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  const QColor colours[] = {QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0)};
  for (const GraphLine& l : LayoutGraph(in)) {
    p.setPen(QPen(colours[static_cast<int>(l.colour)], 1));
    p.drawLine(l.x0, l.y0, l.x1, l.y1);
  }
}

}  // namespace orvia
