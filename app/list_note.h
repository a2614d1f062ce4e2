// A note written over the recording list where its rows would be: a source
// that holds no recordings says so in the window, once, and the viewer stays
// usable. UI thread only.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QTimer>

class QAbstractScrollArea;
class QPushButton;

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

// A one-line note along the bottom of the recording list, for what playback
// did on its own (a damaged recording passed over); it goes away after
// kShownMs or at the next note.
class ListStatusLine : public QLabel {
  Q_OBJECT

 public:
  static constexpr int kShownMs = 8000;
  explicit ListStatusLine(QAbstractScrollArea* list);
  void ShowNote(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();
  QWidget* viewport_;
  QTimer hideTimer_;
};

// A card inserted while the viewer runs, offered along the bottom of the
// recording list ("Card CARD inserted  [Open]  [x]"): it never takes over
// what is playing; Open asks for it, the cross puts the note away.
class CardInsertedNote : public QFrame {
  Q_OBJECT

 public:
  explicit CardInsertedNote(QAbstractScrollArea* list);
  void Offer(const QString& cardRoot);
  QString offered() const { return card_; }
  QPushButton* openButton() const { return open_; }

 signals:
  void openRequested(const QString& cardRoot);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();
  QWidget* viewport_;
  QLabel* text_;
  QPushButton* open_;
  QString card_;
};

}  // namespace orvia
