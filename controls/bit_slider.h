// CBitSlider: a slider drawn from skin bitmaps. The channel is two images
// split at the thumb, the thumb is a CBitWnd child. A press jumps straight to
// the clicked value and a drag follows the pointer; the wheel never moves it.
// Notifications carry the track bar codes of slider_math.h: TB_THUMBTRACK (5)
// whenever the position changes under the mouse, TB_ENDTRACK (8) once at the
// release when it changed during the drag; keys give the line/page/top/bottom
// codes and TB_ENDTRACK when released.
// Marks (the time bar's events) are short upright bars on the channel at the
// values they stand for, under the thumb; only the horizontal form draws them.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "controls/slider_math.h"

class CBitmapStrip;
class CBitWnd;
class QPainter;

class CBitSlider : public QWidget {
  Q_OBJECT

 public:
  // Colour of the marks: a warm red that stands out on the dark channel.
  static constexpr QRgb kMarkColor = 0xFFFF3C28;
  static constexpr int kMarkWidth = 2;

  explicit CBitSlider(QWidget* parent = nullptr, int controlId = 0,
                      Qt::Orientation orientation = Qt::Horizontal);
  ~CBitSlider() override;

  void SetRange(int min, int max, bool redraw = false);
  int GetRangeMin() const { return min_; }
  int GetRangeMax() const { return max_; }
  // Sets the position, clamped to the range, without a notification.
  void SetPos(int pos);
  int GetPos() const { return pos_; }
  void SetTicFreq(int frequency) { ticFrequency_ = frequency; }
  int GetTicFreq() const { return ticFrequency_; }
  Qt::Orientation Orientation() const { return orientation_; }

  // Values to mark on the channel, each where the thumb's centre stands for
  // it; values outside the range are not drawn (they are kept, and drawn
  // once a new range takes them in). An empty vector clears the marks.
  void SetMarks(std::vector<int> values);
  const std::vector<int>& Marks() const { return marks_; }

  // Creates the thumb (skin bitmap 177, 18 x 12); nothing when it exists.
  void CreateThumb();
  // Channel images: right of (below) the thumb and left of (above) it. The
  // slider takes the size of the left image, keeping its position.
  void SetBitmaps(int rightId, int leftId);
  void SetBitmaps(std::unique_ptr<CBitmapStrip> right, std::unique_ptr<CBitmapStrip> left);

  CBitWnd* Thumb() const { return thumb_; }
  int ControlId() const { return controlId_; }

  // Geometry in client coordinates: the channel (in horizontal form), the
  // track bar's own thumb at the position, and where the thumb image goes.
  QRect ChannelRect() const;
  QRect TrackThumbRect() const;
  QRect ThumbRect() const;

 signals:
  // code: TB_THUMBTRACK, TB_ENDTRACK, ...; pos: the position after the change.
  void scrolled(int code, int pos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  orvia::TrackbarModel Model() const;
  // Sets the position a point stands for; true when it changed.
  bool PositionFromPoint(const QPointF& point);
  void PlaceThumb();
  void DrawMarks(QPainter& painter) const;
  void Notify(int code);

  CBitWnd* thumb_ = nullptr;
  std::unique_ptr<CBitmapStrip> leftImage_;
  std::unique_ptr<CBitmapStrip> rightImage_;
  std::vector<int> marks_;
  Qt::Orientation orientation_;
  int controlId_ = 0;
  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int ticFrequency_ = 1;
  int thumbOffset_ = 0;
  bool dragging_ = false;
  bool movedInDrag_ = false;
  bool keyTracking_ = false;
};
