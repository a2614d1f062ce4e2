// "Export video…": the range, the layout of the two views, what the overlay
// shows, the size, the quality and the speed's units of a rendered video.
// The last choices are kept in the preferences file and offered next time.
// Tests answer it in advance, as they do the save dialog.
#pragma once

#include <QString>
#include <optional>

#include "app/clip_range_dialog.h"
#include "output/render_export.h"

class QWidget;

namespace orvia {

struct VideoChoice {
  ClockRange range;
  RenderLayout layout = RenderLayout::kPip;
  int width = 0, height = 0;  // 0: the front view's size
  RenderQuality quality = RenderQuality::kBalanced;
  SpeedUnits units = SpeedUnits::kKmh;
  OverlayParts overlay;
};

// The choices of last time (defaults when none were kept), for `range`.
VideoChoice RememberedVideoChoice(ClockRange range);
void RememberVideoChoice(const VideoChoice& choice);

// Shows the dialog with `proposed`; the choice made, or nothing on cancel.
std::optional<VideoChoice> AskVideoChoice(QWidget* parent, const VideoChoice& proposed);

// Test support: while answers are queued no dialog is shown; an answer
// without a choice takes the proposed one. The proposal is recorded.
void QueueVideoChoiceAnswer(bool cancel, std::optional<VideoChoice> choice = {});
std::optional<VideoChoice> TakeLastProposedVideoChoice();

}  // namespace orvia
