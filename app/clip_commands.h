// The window's clip and evidence commands across the one-minute files: around the second
// that plays, around an event, or over the selected rows, with the range
// editable before the file is chosen. The recordings come from the card's
// analysis when it is ready, else from the list's recordings near the moment.
#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/clip_range_dialog.h"
#include "library/card_trips.h"

namespace orvia {

class COrviaDlg;

// Seconds a clip reaches before and after the moment it is made around.
constexpr int kClipAroundSeconds = 30;

// The card's recordings (in time order, telemetry read) near `around`
// (the recorder's clock): the analysis' when it is ready, else the list's
// within an hour of it, read now.
std::vector<CardRecording> NearbyRecordings(COrviaDlg& window, int64_t around);

// Where playback is on the recorder's clock; nothing when no row plays.
std::optional<int64_t> PlaybackMoment(COrviaDlg& window, const std::vector<CardRecording>& recordings);

// The range offered for a clip: 30 s either side of `moment` (an event)
// when given; else the selected recordings whole when several are selected
// or one that is not playing; else 30 s either side of the playing second.
std::optional<ClockRange> ProposedClipRange(COrviaDlg& window, const std::vector<CardRecording>& recordings,
                                            const QStringList& selected, std::optional<int64_t> moment);

// "Export clip…": asks for the range and the file, writes one clip over the
// recordings that hold it and tells how it went (and where it stopped at a
// gap).
void ExportClipCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment);

// "Export video…": asks for the range, layout, overlay, size and quality
// (the last choices offered again) and the file, and renders the video.
void ExportVideoCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment);

// "Save evidence…": asks for the folder the pack goes into and writes it
// for `moment` (an event), else the second that plays, else the selected
// rows whole; tells where it went and what the user should know of it.
void SaveEvidenceCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment);

}  // namespace orvia
