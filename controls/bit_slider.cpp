#include "controls/bit_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "controls/bit_wnd.h"
#include "controls/bitmap_strip.h"

namespace {

constexpr int kThumbBitmapId = 177;
constexpr int kThumbWidth = 18;
constexpr int kThumbHeight = 12;

QRect ToQRect(const orvia::PixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

CBitSlider::CBitSlider(QWidget* parent, int controlId, Qt::Orientation orientation)
    : QWidget(parent), orientation_(orientation), controlId_(controlId) {
  setObjectName(QStringLiteral("ctl%1").arg(controlId));
  setProperty("controlId", controlId);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

CBitSlider::~CBitSlider() = default;

void CBitSlider::SetRange(int min, int max, bool redraw) {
  min_ = min;
  max_ = max;
  pos_ = orvia::ClampSliderPosition(pos_, min_, max_);
  PlaceThumb();
  // Marks stand for values: a new scale moves them.
  if (redraw || !marks_.empty()) update();
}

void CBitSlider::SetMarks(std::vector<int> values) {
  if (values == marks_) return;
  marks_ = std::move(values);
  update();
}

void CBitSlider::SetPos(int pos) {
  pos = orvia::ClampSliderPosition(pos, min_, max_);
  if (pos == pos_) return;
  pos_ = pos;
  PlaceThumb();
  update();
}

void CBitSlider::CreateThumb() {
  if (thumb_ != nullptr) return;
  thumb_ = new CBitWnd(this);
  thumb_->SetStrip(std::make_unique<CBitmapStrip>(kThumbBitmapId, kThumbWidth, kThumbHeight));
  thumb_->setGeometry(0, 0, kThumbWidth, kThumbHeight);
  thumb_->SetForwardMouse(true);
  thumb_->show();
  PlaceThumb();
}

void CBitSlider::SetBitmaps(int rightId, int leftId) {
  SetBitmaps(std::make_unique<CBitmapStrip>(rightId), std::make_unique<CBitmapStrip>(leftId));
}

void CBitSlider::SetBitmaps(std::unique_ptr<CBitmapStrip> right, std::unique_ptr<CBitmapStrip> left) {
  rightImage_ = std::move(right);
  leftImage_ = std::move(left);
  if (leftImage_ && leftImage_->IsLoaded()) resize(leftImage_->BitmapSize());
  PlaceThumb();
  update();
}

orvia::TrackbarModel CBitSlider::Model() const {
  orvia::TrackbarModel model;
  model.width = width();
  model.height = height();
  model.vertical = orientation_ == Qt::Vertical;
  model.min = min_;
  model.max = max_;
  model.pos = pos_;
  // The channel ends half a thumb image in from the edges, so that the thumb
  // image centred on either end stays inside the slider.
  const QSize thumb = thumb_ ? thumb_->size() : QSize(0, 0);
  model.channelInset = model.vertical ? thumb.height() / 2 : thumb.width() / 2;
  // The track bar's own thumb is a line at the position when horizontal, and
  // as tall as the image when vertical: either way the image centres on it.
  model.nativeThumbLength = model.vertical ? thumb.height() : 0;
  return model;
}

QRect CBitSlider::ChannelRect() const { return ToQRect(orvia::TrackbarChannelRect(Model())); }

QRect CBitSlider::TrackThumbRect() const { return ToQRect(orvia::TrackbarThumbRect(Model())); }

QRect CBitSlider::ThumbRect() const {
  const QSize thumb = thumb_ ? thumb_->size() : QSize(kThumbWidth, kThumbHeight);
  return ToQRect(orvia::BitmapThumbRect(orvia::TrackbarThumbRect(Model()), thumb.width(), thumb.height(),
                                        thumbOffset_, orientation_ == Qt::Vertical));
}

void CBitSlider::PlaceThumb() {
  if (thumb_ == nullptr) return;
  const QRect r = ThumbRect();
  if (thumb_->geometry() != r) thumb_->setGeometry(r);
}

void CBitSlider::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceThumb();
}

void CBitSlider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (thumb_ == nullptr || !leftImage_ || !rightImage_) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  const QRect r = ThumbRect();
  const int cw = width();
  const int ch = height();
  painter.fillRect(rect(), palette().window());
  if (orientation_ == Qt::Horizontal) {
    if (r.left() > 0) leftImage_->DrawImage(painter, 0, 0, r.left(), ch, 0, true);
    const int right = r.left() + r.width();
    if (cw - right > 0) rightImage_->DrawImage(painter, right, 0, cw - right, ch, 0, true);
    DrawMarks(painter);
  } else {
    const int bottom = r.top() + r.height();
    if (bottom > 0) leftImage_->DrawImage(painter, 0, 0, cw, bottom, 0, false);
    if (ch - bottom > 0) rightImage_->DrawImage(painter, 0, bottom, cw, ch - bottom, bottom, false);
  }
  PlaceThumb();
}

void CBitSlider::DrawMarks(QPainter& painter) const {
  if (marks_.empty()) return;
  // Each mark goes where the thumb image's centre would be at its value, by
  // the thumb's own placement, so that the thumb covers a mark it reaches.
  orvia::TrackbarModel model = Model();
  const QSize thumb = thumb_->size();
  const QRect channel = ChannelRect();
  for (const int value : marks_) {
    if (value < min_ || value > max_) continue;
    model.pos = value;
    const orvia::PixelRect r = orvia::BitmapThumbRect(orvia::TrackbarThumbRect(model), thumb.width(),
                                                      thumb.height(), thumbOffset_, false);
    const int centre = r.left + thumb.width() / 2;
    painter.fillRect(QRect(centre - kMarkWidth / 2, channel.top(), kMarkWidth, channel.height()),
                     QColor::fromRgb(kMarkColor));
  }
}

bool CBitSlider::PositionFromPoint(const QPointF& point) {
  const QRect channel = ChannelRect();
  const int coordinate = static_cast<int>(orientation_ == Qt::Vertical ? point.y() : point.x());
  const int raw = orvia::SliderPositionFromCoordinate(coordinate, channel.left(),
                                                      channel.left() + channel.width(), min_, max_);
  if (raw == pos_) return false;
  const int before = pos_;
  SetPos(raw);
  return pos_ != before;
}

void CBitSlider::Notify(int code) { emit scrolled(code, pos_); }

void CBitSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  movedInDrag_ = false;
  setFocus(Qt::MouseFocusReason);
  if (PositionFromPoint(event->position())) {
    movedInDrag_ = true;
    Notify(orvia::TB_THUMBTRACK);
  }
  update();
}

void CBitSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  update();
  if (PositionFromPoint(event->position())) {
    movedInDrag_ = true;
    Notify(orvia::TB_THUMBTRACK);
  }
}

void CBitSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  update();
  if (!dragging_) return;
  dragging_ = false;
  if (PositionFromPoint(event->position())) {
    Notify(orvia::TB_THUMBTRACK);
    movedInDrag_ = true;
  }
  if (movedInDrag_) {
    Notify(orvia::TB_ENDTRACK);
    movedInDrag_ = false;
  }
}

void CBitSlider::wheelEvent(QWheelEvent* event) { event->accept(); }

void CBitSlider::keyPressEvent(QKeyEvent* event) {
  const int page = std::max(1, (max_ - min_) / 5);
  int target = pos_;
  int code = -1;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      target = pos_ - 1;
      code = orvia::TB_LINEUP;
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      target = pos_ + 1;
      code = orvia::TB_LINEDOWN;
      break;
    case Qt::Key_PageUp:
      target = pos_ - page;
      code = orvia::TB_PAGEUP;
      break;
    case Qt::Key_PageDown:
      target = pos_ + page;
      code = orvia::TB_PAGEDOWN;
      break;
    case Qt::Key_Home:
      target = min_;
      code = orvia::TB_TOP;
      break;
    case Qt::Key_End:
      target = max_;
      code = orvia::TB_BOTTOM;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  SetPos(target);
  keyTracking_ = true;
  Notify(code);
}

void CBitSlider::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat() || !keyTracking_) {
    QWidget::keyReleaseEvent(event);
    return;
  }
  keyTracking_ = false;
  Notify(orvia::TB_ENDTRACK);
}
