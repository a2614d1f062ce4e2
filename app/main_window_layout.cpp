// The main window's layouts: the normal one, scaled to the window's size
// with its proportions kept, and the full-screen one; the map and graph
// toggles; the painting of the skin.
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>
#include <QTimer>
#include <algorithm>

#include "app/main_window.h"
#include "app/main_window_geometry.h"
#include "app/readout_box.h"
#include "controls/skin_button.h"
#include "playback/gps_map.h"
#include "playback/graph_window.h"
#include "playback/map_panel.h"
#include "player/embedded_player.h"

namespace orvia {

void COrviaDlg::ToggleMap() {
  CxSkinButton* b = Button(kMapButton);
  if (mapShown_) {
    b->SetSkin(159, 160, 159, 159);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_MAP_OFF");
  } else {
    b->SetSkin(161, 162, 161, 161);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_MAP_ON");
  }
  mapShown_ = !mapShown_;
  PlaceMap();
  update();
}

void COrviaDlg::ToggleGraphMode() {
  if (!graph_) return;
  CxSkinButton* b = Button(kGraphModeButton);
  if (graph_->mode() == CDlgGraph::kAcceleration) {
    graph_->SetMode(CDlgGraph::kSpeed);
    b->SetSkin(232, 233, 232, 232);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_SPEED");
  } else {
    graph_->SetMode(CDlgGraph::kAcceleration);
    b->SetSkin(230, 231, 230, 230);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_ACCELERATE");
  }
  readouts_->Apply(graph_->mode() == CDlgGraph::kSpeed, fullScreen_);
  update(Scaled(QRect(QPoint(400, 532), QPoint(436, 719))));
}

// A hidden map keeps its place with no size.
void COrviaDlg::PlaceMap() {
  Place(mapPanel_, mapShown_ ? kMapRect : QRect(kMapRect.topLeft(), QSize(0, 0)));
  if (mapShown_) mapPanel_->RefreshSoon();
}

void COrviaDlg::ApplyNormalLayout() {
  PlaceMap();
  graph_->show();
  for (int id : {kUpgradeButton, kSetupButton, kPrintButton, kCaptureButton, kMapButton, kFullRearButton,
                 kFullFrontButton, kBackButton, kForwardButton, kSdButton, kGraphModeButton, kSpeedSlider,
                 kVolumeSlider, kRecordingList, kTimeText})
    Control(id)->show();
  struct Spot {
    int id, x, y, normal, pressed;
  };
  for (const Spot& p : {Spot{kMinimizeButton, 932, 17, 155, 156}, Spot{kExitButton, 970, 17, 157, 158},
                        Spot{kPreviousFileButton, 306, 445, 166, 165}, Spot{kPlayButton, 406, 445, 169, 170},
                        Spot{kNextFileButton, 506, 445, 173, 174}, Spot{kStopButton, 556, 445, 220, 219}}) {
    QWidget* button = Control(p.id);
    // The images first: they give the button its design size.
    SetButtonImages(p.id, p.normal, p.pressed);
    const QSize size = designRects_.contains(button) ? designRects_[button].size() : button->size();
    Place(button, QRect(QPoint(p.x, p.y), size));
    button->show();
  }
  Place(Control(kTimeLine), kTimeLineRect);
  Control(kNormalButton)->hide();
  Control(kRestoreButton)->hide();
}

void COrviaDlg::ApplyFullScreenLayout(int w, int h) {
  const int cx = w / 2;
  mapPanel_->resize(0, 0);
  graph_->hide();
  for (auto& [id, widget] : controls_) {
    if (id == kFrontPlayer || id == kRearPlayer || id == kMapBrowser || id == kTimeLine) continue;
    widget->hide();
  }
  struct Place {
    int id, x, y, normal, pressed;
  };
  for (const Place& p :
       {Place{kExitButton, w - 51, 8, 194, 195}, Place{kRestoreButton, w - 65, 8, 192, 193},
        Place{kMinimizeButton, w - 80, 8, 196, 197}, Place{kPreviousFileButton, cx - 140, h - 38, 205, 206},
        Place{kPlayButton, cx - 68, h - 38, 207, 208}, Place{kNextFileButton, cx, h - 38, 209, 210},
        Place{kStopButton, cx + 72, h - 38, 222, 221}, Place{kNormalButton, w - 45, h - 72, 216, 217}}) {
    Control(p.id)->move(p.x, p.y);
    SetButtonImages(p.id, p.normal, p.pressed);
    Control(p.id)->show();
  }
  Control(kTimeLine)->setGeometry(w * 14 / 100, h - 62, w * 72 / 100, 10);
}

void COrviaDlg::EnterFullScreen(bool front) {
  if (fullScreen_) return;
  QScreen* s = QGuiApplication::screenAt(geometry().center());
  if (!s) s = screen();
  if (!s) return;
  fullScreen_ = true;
  fullScreenFront_ = front;
  wasMaximized_ = isMaximized();
  savedGeometry_ = geometry();
  // The window manager's own full-screen state, so that no panel stays over
  // the window; the layout follows the size it gives (resizeEvent).
  setGeometry(s->geometry());
  showFullScreen();
  LayoutFullScreen();
  readouts_->Apply(graph_->mode() == CDlgGraph::kSpeed, true);
  emit fullScreenChanged();
  update();
}

void COrviaDlg::LayoutFullScreen() {
  const int w = width(), h = height();
  const int shown = fullScreenFront_ ? 0 : 1;
  if (playerWidgets_[shown]) {
    playerWidgets_[shown]->setGeometry(22, 32, w - 44, h - 103);
    playerWidgets_[shown]->show();
  }
  if (playerWidgets_[1 - shown]) playerWidgets_[1 - shown]->hide();
  ApplyFullScreenLayout(w, h);
}

void COrviaDlg::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  if (wasMaximized_) {
    showMaximized();
  } else {
    showNormal();
    setGeometry(savedGeometry_);
  }
  LayoutNormal();
  readouts_->Apply(graph_->mode() == CDlgGraph::kSpeed, false);
  emit fullScreenChanged();
  update();
}

void COrviaDlg::LayoutNormal() {
  const double s = std::min(width() / double(kDesignWidth), height() / double(kDesignHeight));
  scale_ = s > 0 ? s : 1.0;
  offset_ =
      QPoint(qRound((width() - kDesignWidth * scale_) / 2), qRound((height() - kDesignHeight * scale_) / 2));
  ApplyNormalLayout();
  for (int v = 0; v < 2; ++v) {
    if (!playerWidgets_[v]) continue;
    Place(playerWidgets_[v], v == 0 ? kFrontRect : kRearRect);
    playerWidgets_[v]->show();
  }
  for (auto it = designRects_.cbegin(); it != designRects_.cend(); ++it)
    it.key()->setGeometry(Scaled(it.value()));
  // Texts are laid out again at the new size: every font set on a part of
  // the window grows with it.
  for (auto it = designFonts_.cbegin(); it != designFonts_.cend(); ++it) {
    QFont font = it.value();
    if (font.pixelSize() > 0)
      font.setPixelSize(std::max(1, qRound(font.pixelSize() * scale_)));
    else if (font.pointSizeF() > 0)
      font.setPointSizeF(font.pointSizeF() * scale_);
    it.key()->setFont(font);
  }
  if (sizeGrip_) sizeGrip_->move(width() - sizeGrip_->width(), height() - sizeGrip_->height());
  update();
}

void COrviaDlg::Place(QWidget* widget, const QRect& design) {
  designRects_[widget] = design;
  widget->setGeometry(Scaled(design));
}

QRect COrviaDlg::Scaled(const QRect& design) const {
  const int left = qRound(design.x() * scale_), top = qRound(design.y() * scale_);
  const int right = qRound((design.x() + design.width()) * scale_);
  const int bottom = qRound((design.y() + design.height()) * scale_);
  return QRect(left + offset_.x(), top + offset_.y(), right - left, bottom - top);
}

void COrviaDlg::CaptureDesignLayout() {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child == sizeGrip_ || child->isWindow()) continue;
    designRects_.insert(child, child->geometry());
  }
  designFonts_.insert(this, font());
  for (QWidget* child : findChildren<QWidget*>())
    if (child->testAttribute(Qt::WA_SetFont) && !child->isWindow()) designFonts_.insert(child, child->font());
}

void COrviaDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (designRects_.isEmpty()) return;  // still being built
  if (fullScreen_)
    LayoutFullScreen();
  else
    LayoutNormal();
}

void COrviaDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click on the title band maximises the window, or gives it back
  // its size, as a title bar does.
  if (!fullScreen_ && event->button() == Qt::LeftButton &&
      event->position().y() < 50 * scale_ + offset_.y()) {
    if (isMaximized())
      showNormal();
    else
      showMaximized();
    return;
  }
  QWidget::mouseDoubleClickEvent(event);
}

void COrviaDlg::paintEvent(QPaintEvent*) {
  if (!painted_) {
    painted_ = true;
    // After the paint, once the picture has gone to the screen.
    QTimer::singleShot(0, this, &COrviaDlg::firstPainted);
  }
  // Qt composes the window off-screen and shows it in one step.
  QPainter p(this);
  if (!fullScreen_) {
    p.fillRect(rect(), panel_);
    // The skin is drawn at its design size, scaled smoothly to the window.
    p.translate(offset_);
    p.scale(scale_, scale_);
    p.setRenderHint(QPainter::SmoothPixmapTransform, scale_ != 1.0);
    const QRect design(0, 0, kDesignWidth, kDesignHeight);
    if (!background_.isNull())
      p.drawPixmap(design, background_);
    else
      p.fillRect(design, panel_);
    const QPixmap& indicator = graph_->mode() == CDlgGraph::kAcceleration ? indicatorA_ : indicatorB_;
    p.drawPixmap(400, 532, indicator);
  } else {
    const int w = width(), h = height();
    p.fillRect(rect(), panel_);
    p.drawPixmap(QRect(0, h - 22, w, 22), bottomBar_);
    p.drawPixmap(QRect(w * 14 / 100, h - 38, w * 72 / 100, controlBar_.height()), controlBar_);
  }
  for (player::EmbeddedPlayer* pl : players_)
    if (pl) pl->Redraw();
}

}  // namespace orvia
