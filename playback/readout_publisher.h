// What the window shows of the second being played, besides the pictures:
// the telemetry read-outs (date, time, X, Y, Z), the map marker and the
// graph. The playback controller says which second; this class turns it into
// the view's calls.
//
// Threads: the user-interface thread only.
#pragma once

#include <functional>
#include <string>

#include "playback/playback_view.h"
#include "playback/recording_index.h"
#include "playback/telemetry.h"

namespace orvia {

class ReadoutPublisher {
 public:
  // `text`: localized text of an IDS_ key; GetLocalizedText when empty.
  ReadoutPublisher(PlaybackView* view, std::function<std::string(const char*)> text);

  std::string Text(const char* key) const;
  AxisCaptions Captions() const;

  // Second `second` of the recording: the map marker (when the map is shown
  // and the second has a fix), the read-outs and the graph cursor.
  void ShowSecond(const RecordingIndex& index, int second, const RecordingDate& date);
  // A recording just opened: its tables in the graph, the cursor at 0.
  void ShowRecording(const RecordingIndex& index);
  // The graph without a recording.
  void ClearGraph(const RecordingIndex& index);
  // The read-outs back to their empty texts; `redraw` redraws the window.
  void ResetReadouts(bool redraw);
  // The map marker to the no-fix position.
  void MapToNoFix();

 private:
  PlaybackView* view_;
  std::function<std::string(const char*)> text_;
};

}  // namespace orvia
