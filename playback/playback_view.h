// What the main window implements for the playback controller, and the
// buttons the controller enables and disables.
#pragma once

#include <memory>
#include <string>

#include "playback/recording_index.h"
#include "playback/telemetry.h"

namespace orvia {

// Control ids of the buttons the controller enables and disables.
enum class PlaybackButton : int {
  kPreviousFile = 1012,
  kBack = 1013,
  kPlayPause = 1014,
  kForward = 1015,
  kNextFile = 1016,
  kStop = 1124,
};

// What the main window implements for the controller. Every call comes on the
// user-interface thread; setters redraw what they change.
class PlaybackView {
 public:
  virtual ~PlaybackView() = default;

  // Time line (1019, 0..59) and speed slider (1021, 0..4) positions.
  virtual void SetTimeLine(int second) = 0;
  virtual void SetSpeedSlider(int position) = 0;
  // Volume slider (1023) position, 0..10.
  virtual int VolumeSlider() const = 0;

  virtual void EnableButton(PlaybackButton button, bool enabled) = 0;
  // The play/pause button's look (pause look while playing) and tooltip.
  virtual void SetPlayPauseLook(bool pauseLook, const std::string& tooltip) = 0;
  // Tooltips of Back (1013) and Forward (1015).
  virtual void SetStepTooltips(const std::string& back, const std::string& forward) = 0;

  // Labels 1121, 1122, 1123 (X, Y, Z) and the time text 1018.
  virtual void ShowTelemetry(const TelemetryTexts& texts) = 0;

  // The map panel: whether it is shown, its script function "setPos", and
  // loading its page again.
  virtual bool MapShown() const = 0;
  virtual void MapSetPos(const std::string& latitude, const std::string& longitude) = 0;
  virtual void ReloadMap() = 0;

  // The graph window: the recording's tables (borrowed from the index, valid
  // until the next file opens), the cursor second, a redraw.
  virtual void SetGraphData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes) = 0;
  virtual void SetGraphCursor(int second) = 0;
  virtual void RedrawGraph() = 0;

  // The recording list (1024).
  virtual int ListRowCount() const = 0;
  virtual std::string RowPath(int row) const = 0;  // full path, column 4
  // Clear every selected and focused mark, select and focus `row`, scroll it
  // into view, give the list the focus and redraw it.
  virtual void SelectListRow(int row) = 0;
  virtual void FocusList() = 0;
  virtual void ClearList() = 0;
  // Row `row` has nothing to play (it does not open, or holds no key unit):
  // the list shows it as damaged and the user learns it was passed over.
  virtual void MarkRowUnplayable(int row) = 0;
  // The time line spans the open recording's `seconds` (1..60).
  virtual void SetTimeLineLength(int seconds) = 0;

  virtual bool FullScreen() const = 0;
  // Both player views exist as windows (volume changes are skipped before).
  virtual bool PlayersHaveWindows() const = 0;
  virtual void RedrawWindow() = 0;
};

}  // namespace orvia
