#include "playback/readout_publisher.h"

#include <utility>

#include "base/localized_text.h"

namespace orvia {

ReadoutPublisher::ReadoutPublisher(PlaybackView* view, std::function<std::string(const char*)> text)
    : view_(view), text_(std::move(text)) {}

std::string ReadoutPublisher::Text(const char* key) const {
  return text_ ? text_(key) : GetLocalizedText(key);
}

AxisCaptions ReadoutPublisher::Captions() const {
  return {Text("IDS_CAPTION_X"), Text("IDS_CAPTION_Y"), Text("IDS_CAPTION_Z")};
}

void ReadoutPublisher::ShowSecond(const RecordingIndex& index, int second, const RecordingDate& date) {
  if (view_->MapShown()) {
    const MapUpdate map = MapUpdateForSecond(index, second);
    if (map.move) view_->MapSetPos(map.latitude, map.longitude);
  }
  view_->ShowTelemetry(TelemetryForSecond(index, second, date, Captions()));
  view_->SetGraphCursor(second);
  view_->RedrawGraph();
}

void ReadoutPublisher::ShowRecording(const RecordingIndex& index) {
  view_->SetGraphData(index.secondCount, index.gPeak, index.gps);
  view_->SetGraphCursor(0);
  view_->RedrawGraph();
}

void ReadoutPublisher::ClearGraph(const RecordingIndex& index) {
  view_->SetGraphData(0, index.gPeak, index.gps);
}

void ReadoutPublisher::ResetReadouts(bool redraw) {
  view_->ShowTelemetry(ResetTelemetryTexts(Captions()));
  if (redraw) view_->RedrawWindow();
}

void ReadoutPublisher::MapToNoFix() { view_->MapSetPos(kNoFixLatitude, kNoFixLongitude); }

}  // namespace orvia
