// The read-out box right of the graph window. Under the acceleration plot it
// shows the X, Y and Z values of the current second; under the speed plot it
// shows that second's speed instead ("52 km/h", empty without a fix). Out of
// sight in full screen. UI thread only.
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QWidget;

namespace orvia {

class ReadoutBox : public QObject {
  Q_OBJECT

 public:
  // `x`, `y`, `z`: the window's axis labels; the speed label is made here, in
  // the same box.
  ReadoutBox(QWidget* window, QLabel* x, QLabel* y, QLabel* z);

  QLabel* SpeedLabel() const { return speed_; }
  void SetSpeedText(const QString& text);
  // Shows the labels of the plot on show; none in full screen.
  void Apply(bool speedPlot, bool fullScreen);

 private:
  QLabel* axes_[3];
  QLabel* speed_;
};

}  // namespace orvia
