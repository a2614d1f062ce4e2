#include "playback/map_panel.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "playback/gps_map.h"

namespace orvia {

namespace {

// A change shows in the page a few frames after it is asked for; tiles and
// a moved view may come later still.
constexpr int kFirstPictureMs = 60;
constexpr int kFollowUpMs = 250;
constexpr int kSteadyMs = 2000;
constexpr int kDragPictureMs = 40;
constexpr int kOutsideScreen = -30000;  // X11 coordinates are 16-bit

}  // namespace

MapPanel::MapPanel(GPSMap* map, QWidget* parent) : QWidget(parent), map_(map) {
  // Only X11 (and Qt's off-screen platform) lets a window lie outside the
  // screen; elsewhere the web view sits in the panel itself as a child.
  const QString platform = QGuiApplication::platformName();
  if (platform != QLatin1String("xcb") && platform != QLatin1String("offscreen")) {
    inside_ = true;
    map_->setParent(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(map_);
    return;
  }
  // A window of its own that no one sees: the web engine maps the window
  // it draws in, so it lies outside the screen, passed over by the window
  // manager (no task bar entry, no focus).
  map_->setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
  map_->setAttribute(Qt::WA_DontShowOnScreen);
  map_->setAttribute(Qt::WA_ShowWithoutActivating);
  map_->move(kOutsideScreen, kOutsideScreen);
  // A window of its own for Qt: it must not keep the program open.
  map_->setAttribute(Qt::WA_QuitOnClose, false);
  map_->resize(QSize(320, 240));
  map_->show();
  soon_.setSingleShot(true);
  connect(&soon_, &QTimer::timeout, this, &MapPanel::TakePicture);
  connect(&steady_, &QTimer::timeout, this, &MapPanel::TakePicture);
  steady_.start(kSteadyMs);
  connect(map_, &GPSMap::pageLoaded, this, [this] { RefreshSoon(); });
  // The marker moves once a second while playing: one picture after it.
  connect(map_, &GPSMap::scriptCalled, this, [this] { RefreshSoon(1); });
}

MapPanel::~MapPanel() { delete map_; }

void MapPanel::RefreshSoon(int followUps) {
  if (inside_) return;
  followUps_ = std::max(followUps_, followUps);
  if (!soon_.isActive()) soon_.start(kFirstPictureMs);
}

void MapPanel::TakePicture() {
  if (followUps_ > 0) {
    --followUps_;
    soon_.start(kFollowUpMs);
  }
  // Hidden or without room (the map switched off, full screen): nothing to show.
  if (!isVisible() || width() <= 0 || height() <= 0 || !map_->isVisible()) return;
  picture_ = map_->grab();
  ++pictures_;
  update();
}

void MapPanel::paintEvent(QPaintEvent*) {
  // Before the first picture the window's own drawing shows through.
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(rect(), picture_);
}

void MapPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // An empty panel leaves the page at its size, so that it need not lay
  // itself out again when shown.
  if (width() > 0 && height() > 0 && map_->size() != size()) {
    map_->resize(size());
    RefreshSoon();
  }
}

void MapPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RefreshSoon();
}

QWidget* MapPanel::InputTarget() const { return map_->focusProxy() ? map_->focusProxy() : map_; }

void MapPanel::Forward(QMouseEvent* event) {
  QMouseEvent copy(event->type(), event->position(), event->position(), event->globalPosition(),
                   event->button(), event->buttons(), event->modifiers());
  QCoreApplication::sendEvent(InputTarget(), &copy);
  RefreshSoon();
  // A drag follows the pointer closely.
  if (event->buttons() != Qt::NoButton && soon_.remainingTime() > kDragPictureMs) soon_.start(kDragPictureMs);
}

void MapPanel::mousePressEvent(QMouseEvent* event) { Forward(event); }
void MapPanel::mouseReleaseEvent(QMouseEvent* event) { Forward(event); }
void MapPanel::mouseDoubleClickEvent(QMouseEvent* event) { Forward(event); }

void MapPanel::mouseMoveEvent(QMouseEvent* event) {
  // Only drags: the page has nothing that follows a free pointer.
  if (event->buttons() != Qt::NoButton) Forward(event);
}

void MapPanel::wheelEvent(QWheelEvent* event) {
  QWheelEvent copy(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                   event->buttons(), event->modifiers(), event->phase(), event->inverted());
  QCoreApplication::sendEvent(InputTarget(), &copy);
  RefreshSoon();
}

}  // namespace orvia
