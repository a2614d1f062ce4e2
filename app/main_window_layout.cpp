// The main window's layouts: the normal one, scaled to the window's size
// with its proportions kept, and the full-screen one; the map and graph
// toggles; the painting of the skin.
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "app/main_window.h"
#include "app/main_window_geometry.h"
#include "app/readout_box.h"
#include "controls/skin_button.h"
#include "playback/gps_map.h"
#include "playback/graph_window.h"
#include "player/embedded_player.h"

namespace orvia {

void COrviaDlg::ToggleMap() {
  CxSkinButton* b = Button(kMapButton);
  if (mapShown_) {
    b->SetSkin(159, 160, 159, 159);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_MAP_OFF");
    map_->resize(0, 0);
  } else {
    b->SetSkin(161, 162, 161, 161);
    b->SetToolTipKey("IDS_CAPTION_TOOLTIP_MAP_ON");
    map_->setGeometry(kMapRect);
    map_->update();
  }
  mapShown_ = !mapShown_;
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
  update(QRect(QPoint(400, 532), QPoint(436, 719)));
}

void COrviaDlg::ApplyNormalLayout() {
  if (mapShown_) {
    map_->setGeometry(kMapRect);
    map_->update();
  } else {
    map_->resize(0, 0);
  }
  graph_->show();
  for (int id : {kUpgradeButton, kSetupButton, kPrintButton, kCaptureButton, kMapButton, kFullRearButton,
                 kFullFrontButton, kBackButton, kForwardButton, kSdButton, kGraphModeButton, kSpeedSlider,
                 kVolumeSlider, kRecordingList, kTimeText})
    Control(id)->show();
  struct Place {
    int id, x, y, normal, pressed;
  };
  for (const Place& p :
       {Place{kMinimizeButton, 932, 17, 155, 156}, Place{kExitButton, 970, 17, 157, 158},
        Place{kPreviousFileButton, 306, 445, 166, 165}, Place{kPlayButton, 406, 445, 169, 170},
        Place{kNextFileButton, 506, 445, 173, 174}, Place{kStopButton, 556, 445, 220, 219}}) {
    Control(p.id)->move(p.x, p.y);
    SetButtonImages(p.id, p.normal, p.pressed);
    Control(p.id)->show();
  }
  Control(kTimeLine)->setGeometry(kTimeLineRect);
  Control(kNormalButton)->hide();
  Control(kRestoreButton)->hide();
}

void COrviaDlg::ApplyFullScreenLayout(int w, int h) {
  const int cx = w / 2;
  map_->resize(0, 0);
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
  const QRect monitor = s->geometry();
  savedGeometry_ = geometry();
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setGeometry(monitor);
  show();
  const int shown = front ? 0 : 1;
  if (playerWidgets_[shown]) {
    playerWidgets_[shown]->setGeometry(22, 32, monitor.width() - 44, monitor.height() - 103);
    playerWidgets_[shown]->show();
  }
  if (playerWidgets_[1 - shown]) playerWidgets_[1 - shown]->hide();
  ApplyFullScreenLayout(monitor.width(), monitor.height());
  readouts_->Apply(graph_->mode() == CDlgGraph::kSpeed, true);
  emit fullScreenChanged();
  update();
}

void COrviaDlg::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  setFixedSize(savedGeometry_.size());
  setGeometry(savedGeometry_);
  ApplyNormalLayout();
  for (int v = 0; v < 2; ++v) {
    if (!playerWidgets_[v]) continue;
    playerWidgets_[v]->setGeometry(v == 0 ? kFrontRect : kRearRect);
    playerWidgets_[v]->show();
  }
  readouts_->Apply(graph_->mode() == CDlgGraph::kSpeed, false);
  emit fullScreenChanged();
  update();
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
    if (!background_.isNull())
      p.drawPixmap(rect(), background_);
    else
      p.fillRect(rect(), panel_);
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
