#include "playback/graph_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "playback/graph_geometry.h"
#include "playback/speed_scale.h"

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
  if (mode_ == kSpeed) DrawSpeedAxis(p);
}

int CDlgGraph::SecondAt(const QMouseEvent& event) const {
  return GraphSecondAt(width(), qRound(event.position().x()), count_);
}

void CDlgGraph::mousePressEvent(QMouseEvent* event) {
  picking_ = event->button() == Qt::LeftButton && count_ > 0;
  if (picking_) SetCursor(SecondAt(*event));
}

void CDlgGraph::mouseMoveEvent(QMouseEvent* event) {
  if (picking_ && (event->buttons() & Qt::LeftButton)) SetCursor(SecondAt(*event));
}

void CDlgGraph::mouseReleaseEvent(QMouseEvent* event) {
  if (!picking_ || event->button() != Qt::LeftButton) return;
  picking_ = false;
  const int second = SecondAt(*event);
  SetCursor(second);
  emit secondPicked(second);
}

// The speed plot's scale, written at its left edge: the full scale at the
// top, half of it on a dotted middle line, 0 at the bottom.
void CDlgGraph::DrawSpeedAxis(QPainter& p) {
  const int scale = SpeedFullScaleKmh(fixes_, count_);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(10);
  p.setFont(font);
  const int textHeight = p.fontMetrics().height();
  const QColor grey(150, 150, 150);
  for (const SpeedAxisMark& mark : SpeedAxisMarks(height(), scale)) {
    if (mark.y > 0 && mark.y < height()) {
      p.setPen(QPen(grey, 1, Qt::DotLine));
      p.drawLine(0, mark.y, width(), mark.y);
    }
    // Each text sits just inside the plot, below its line at the top and
    // above it elsewhere.
    const int top = mark.y == 0 ? 1 : mark.y - textHeight;
    p.setPen(grey);
    p.drawText(QRect(4, top, width() - 8, textHeight), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(mark.text));
  }
}

}  // namespace orvia
