// TripsView: the trips and events of a whole card (SummariseCard), in a
// frameless tool window beside the main window, which keeps playing while
// it is open. Its own dark title band (dragged to move it) and close button
// sit over a white tab sheet with the events list first and the trips list
// second; a note line below tells how far the card's reading has got. Row i
// of a list is event (trip) i of the summary; a double click or Enter on a
// row chooses it. UI thread only.
#pragma once

#include <QDialog>
#include <QFont>

#include "controls/window_drag.h"
#include "library/card_trips.h"

class QLabel;
class QMenu;
class QSpinBox;
class CColoredListCtrl;
class CWhiteTabWidget;
class CxSkinButton;

namespace orvia {

class TripsView : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTitleBandHeight = 23;

  explicit TripsView(QWidget* parent = nullptr);

  // Fills both lists from the summary. The selected event stays selected
  // when the new summary still has that row.
  void SetSummary(const CardSummary& summary);

  // Selects event row `index` and scrolls to it; an index without a row
  // clears the selection.
  void SelectEvent(int index);
  // The selected event row, or -1.
  int SelectedEvent() const;

  // "Reading the card: <done> of <total> recordings…" on the note line.
  void SetProgress(size_t done, size_t total);
  void SetNote(const QString& text);
  void ClearNote();
  // The speed limit shown (km/h, 0 = no speeding events), without a signal.
  void SetSpeedLimit(int kmh);
  QSpinBox* SpeedLimit() const { return speedLimit_; }

  // The menu of event row `row` ("exportClip", "exportVideo", "saveEvidence"); the caller
  // owns it.
  QMenu* BuildEventMenu(int row);

  CColoredListCtrl* EventList() const { return events_; }
  CColoredListCtrl* TripList() const { return trips_; }
  CWhiteTabWidget* Tabs() const { return tabs_; }

 signals:
  void eventChosen(int eventIndex);
  void tripChosen(int tripIndex);
  // The user changed the speed limit.
  void speedLimitChanged(int kmh);
  // An event row's menu (right click): a clip around it, or evidence of it.
  void exportClipRequested(int eventIndex);
  void exportVideoRequested(int eventIndex);
  void evidenceRequested(int eventIndex);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MakeLists();
  // Emits the choice of the list's selected row, if one is selected.
  void ChooseSelected(CColoredListCtrl* list);

  CWhiteTabWidget* tabs_ = nullptr;
  CColoredListCtrl* events_ = nullptr;
  CColoredListCtrl* trips_ = nullptr;
  QLabel* note_ = nullptr;
  QSpinBox* speedLimit_ = nullptr;
  CxSkinButton* close_ = nullptr;
  QFont titleFont_;
  WindowDrag drag_;
};

}  // namespace orvia
