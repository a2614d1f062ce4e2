// A note written over the recording list where its rows would be: a source
// that holds no recordings says so in the window, once, and the viewer stays
// usable. UI thread only.
#pragma once

#include <QLabel>

class QAbstractScrollArea;

namespace orvia {

class ListNote : public QLabel {
  Q_OBJECT

 public:
  // Covers the list's viewport; hidden until ShowForRows.
  explicit ListNote(QAbstractScrollArea* list);

  // Shown when a source was opened and gave `rowCount` rows: only for 0.
  void ShowForRows(int rowCount);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* viewport_;
};

}  // namespace orvia
