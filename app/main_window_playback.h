// Connects the main window to the playback controller: implements the
// controller's view on the window's controls, runs its timers and routes the
// playback commands and slider notifications to it.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "playback/pacing_trace.h"
#include "playback/playback_controller.h"

namespace orvia {

class COrviaDlg;
class MapRouteView;

class MainWindowPlayback : public QObject, public PlaybackView {
  Q_OBJECT

 public:
  // The window's players must exist (loaded from the player module).
  explicit MainWindowPlayback(COrviaDlg* window);
  ~MainWindowPlayback() override;

  PlaybackController& controller() { return *controller_; }

  // Plays the rows now in the list, as the card manager's OK does: the
  // first row starts.
  void LoadList(const QList<QStringList>& rows);

  // What the card manager handed back.
  struct SourceChoice {
    bool accepted = false;       // closed with OK
    bool handsOverRows = false;  // the play list was on top: `rows` replace the list
    QList<QStringList> rows;
    QString card;               // the chosen card's root without its trailing separator; may be empty
    bool cardsChanged = false;  // a format ran: a cancelled manager lists the card again
  };
  // The SD button's sequence: playback to state 0, the card in use released
  // (`releaseCard` with its root) and forgotten, then `runManager`. With OK
  // the handed-over rows (if any) fill the list, the chosen card becomes the
  // card root and the first row plays; Cancel changes nothing: the list, the
  // card root and the open recording stay, shown paused at the same second.
  void OpenSource(const std::function<SourceChoice()>& runManager,
                  const std::function<void(const QString& root)>& releaseCard);

  // A volume at `mountPoint` went away: when it holds the card in use,
  // playback stops, the list empties and the user is told.
  void OnVolumeRemoved(const QString& mountPoint);

  // Records every paced hand-over into `trace` (null stops).
  void SetPacingTrace(PacingTrace* trace) { controller_->SetPacingTrace(trace); }

  // PlaybackView.
  void SetTimeLine(int second) override;
  void SetSpeedSlider(int position) override;
  int VolumeSlider() const override;
  void EnableButton(PlaybackButton button, bool enabled) override;
  void SetPlayPauseLook(bool pauseLook, const std::string& tooltip) override;
  void SetStepTooltips(const std::string& back, const std::string& forward) override;
  void ShowTelemetry(const TelemetryTexts& texts) override;
  bool MapShown() const override;
  void MapSetPos(const std::string& latitude, const std::string& longitude) override;
  void ReloadMap() override;
  void SetGraphData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes) override;
  void SetGraphCursor(int second) override;
  void RedrawGraph() override;
  int ListRowCount() const override;
  std::string RowPath(int row) const override;
  void SelectListRow(int row) override;
  void FocusList() override;
  void ClearList() override;
  void MarkRowUnplayable(int row) override;
  void SetTimeLineLength(int seconds) override;
  bool FullScreen() const override;
  bool PlayersHaveWindows() const override;
  void RedrawWindow() override;

 private:
  void OnSlider(int id, int code, int pos);

  COrviaDlg* window_;
  SystemWallClock clock_;
  ThreadSleeper sleeper_;
  std::unique_ptr<PlaybackController> controller_;
  QTimer tick_;       // every 1 ms from the window's first paint: the paced playback
  QTimer firstLoad_;  // 100 ms after each list load: the players' first reset
  bool pauseLook_ = false;
  MapRouteView* route_ = nullptr;  // the open recording's route on the map
};

}  // namespace orvia
