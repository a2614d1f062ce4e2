// The main window's Capture command: saves the pictures of both views into
// the snapshot folder and tells the user whether it worked.
#pragma once

#include <QString>

#include "output/snapshot_capture.h"

namespace orvia {

// Where snapshots go: "orvia/capture/" under the user's pictures folder
// (QStandardPaths::PicturesLocation), with a trailing '/'. The folder is
// created when a capture runs, not here.
QString SnapshotFolder();

// Runs the capture (see CaptureSnapshots) with the view labels of the string
// file. With rows listed, shows "Snapshot completed" or "Snapshot fail"
// (IDS_CAPTION_CAPTURE_SUCCESS / _FAIL) in the program's message box; with
// none, does nothing. The message's second line is the folder. Returns what was done, for callers that want
// more.
CaptureResult RunCapture(player::PlayerControl* front, player::PlayerControl* rear, int rowCount,
                         const RecordingDate& date, const QString& folder = SnapshotFolder());

}  // namespace orvia
