// Saving the pictures of both views as bitmap files (the Capture command).
// The players write the files themselves (SaveSnapshot); this part chooses
// the folder and the names, makes sure the folder exists and sums up the
// outcome. Plain logic: the window passes in the folder, the view labels
// from the string file and the date of the second being shown.
#pragma once

#include <string>
#include <string_view>

#include "playback/telemetry.h"

namespace orvia {
namespace player {
class PlayerControl;
}

// The date as it appears in a snapshot name: "20yy-mm-dd-hhmmss" (month shown
// 1-based, the colons of the time removed), 17 characters for a valid date.
std::string SnapshotTimeText(const RecordingDate& date);

// folder + "[" + label + "]" + time text + ".bmp". `folder` ends in a
// separator. Separators in the label (as in the string file's "N/A" for a
// missing key) become '_', so the name never leaves the folder.
std::string SnapshotFilePath(std::string_view folder, std::string_view viewLabel, const RecordingDate& date);

// Creates every missing folder of `path`, from the top down ('/' separates).
// A trailing separator is ignored. True when the path exists afterwards;
// callers may ignore the answer and let the player's answer decide.
bool CreateFolderPath(std::string_view path);

// Makes sure `folder` exists, then asks `control` to write its picture at the
// snapshot path of `viewLabel` and `date`. True when the control answers 0.
// A null control answers false.
bool SaveViewSnapshot(player::PlayerControl* control, std::string_view folder, std::string_view viewLabel,
                      const RecordingDate& date);

struct CaptureRequest {
  int rowCount = 0;    // rows of the main window's recording list
  std::string folder;  // snapshot folder, ending in a separator
  std::string frontLabel = "Front";
  std::string rearLabel = "Rear";
  RecordingDate date;  // the second being shown
};

enum class CaptureOutcome {
  kNothingToCapture,  // no recording listed: nothing done, nothing shown
  kSaved,             // at least one view was written
  kFailed,            // neither view was written
};

struct CaptureResult {
  CaptureOutcome outcome = CaptureOutcome::kNothingToCapture;
  bool frontSaved = false;
  bool rearSaved = false;
  std::string frontPath;  // the paths handed to the players (empty when not asked)
  std::string rearPath;
};

// The Capture command: the front view, then the rear view (even when the
// front failed). One view written counts as a capture: a recorder with one
// camera has no rear picture to give. Files of an earlier capture are never
// replaced: when either name exists, both take the first free number
// (snapshot_suffix.h).
CaptureResult CaptureSnapshots(player::PlayerControl* front, player::PlayerControl* rear,
                               const CaptureRequest& request);

}  // namespace orvia
