// MapPanel: where the map shows in the main window. The map's web view is
// kept off screen in a window of its own, and the panel paints the latest
// picture taken of it. A web view inside the main window would make Qt
// compose the whole window through OpenGL at every repaint, which with the
// two video views costs more than decoding them (most of all where OpenGL
// is done in software); a picture of the map costs a copy of its own small
// area, taken only when the page may have changed. Mouse and wheel input on
// the panel go on to the web view, so that the map is used as before. Where
// a window cannot be kept off screen (Wayland), the web view is the panel's
// child instead.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace orvia {

class GPSMap;

class MapPanel : public QWidget {
  Q_OBJECT

 public:
  // Takes `map` over (it is deleted with the panel) and shows it off screen.
  explicit MapPanel(GPSMap* map, QWidget* parent = nullptr);
  ~MapPanel() override;

  // Takes a picture of the page soon and `followUps` more a little apart,
  // as it redraws after a script call, an input or a load (tiles and a
  // moved view may take a while).
  void RefreshSoon(int followUps = 3);
  // Pictures taken since the panel was made (for tests and diagnostics).
  int pictures() const { return pictures_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void TakePicture();
  // The widget of the web view that takes its input.
  QWidget* InputTarget() const;
  void Forward(QMouseEvent* event);

  GPSMap* map_;
  QPixmap picture_;
  QTimer soon_;          // the next picture after a change
  QTimer steady_;        // a slow picture while shown: tiles arriving, late redraws
  bool inside_ = false;  // the web view is the panel's child (no off-screen window here)
  int followUps_ = 0;    // pictures still to take after the next one
  int pictures_ = 0;
};

}  // namespace orvia
