// Which units of consecutive recordings one clip takes, and where each
// recording's own timeline lies on the clip's: the first recording is cut
// as ClipPlan says, the ones after it join on where their starts on the
// recorder's clock put them. A join that cannot be made (a gap of more than
// a second, pictures of another size, sound of another rate) ends the clip
// at the recording before it, with a note for the user. Plain logic over
// the recordings' indexes; the MP4 writer (clip_export.h) follows it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "output/clip_plan.h"

namespace orvia {

// Ends of recordings at most this far apart count as touching: the next
// one's pictures and sound run straight on from the previous one's.
constexpr int64_t kTouchingMs = 250;
// A longer gap between two recordings ends the clip.
constexpr int64_t kLargestJoinGapMs = 1000;

// One recording opened for a clip or a render; `index` is null when it
// cannot be read.
struct OpenedRecording {
  std::string path;
  std::unique_ptr<RecordingIndex> index;
  RecordingFile file;
  int64_t start = 0;  // its second 0 on the recorder's clock
};

// Opens `paths` in order, up to the first that begins at or after `toMs`
// of the first one's timeline or cannot be read. False when the first
// cannot be read.
bool OpenRecordingsInTurn(const std::vector<std::string>& paths, int64_t toMs,
                          std::vector<OpenedRecording>& sources);

// One recording as the join sees it: its index (null when it could not be
// read) and its second 0 on the recorder's clock.
struct JoinRecording {
  const RecordingIndex* index = nullptr;
  int64_t start = 0;
};

// One recording's share of the clip.
struct ClipPiece {
  size_t recording = 0;  // into the recordings given
  int64_t shiftMs = 0;   // its second 0 on the first recording's timeline
  int firstVideo[2] = {0, 0};
  int endVideo[2] = {0, 0};  // [firstVideo, endVideo); each stream starts at a key unit
  int firstSound = 0, endSound = 0;
  // Its parameter sets differ from the first recording's (same picture
  // size): its pictures carry their own in band.
  bool ownParameterSets[2] = {false, false};
  // It begins where the piece before ends (within kTouchingMs): its
  // pictures follow the last ones by one picture interval and its sound
  // follows without a pause. Otherwise it begins after the real gap.
  bool touches = false;
};

struct ClipJoin {
  bool ok = false;
  std::string error;
  int64_t originMs = 0;  // the clip's time 0 on the first recording's timeline
  int64_t endMs = 0;     // units at or after this are left out (same timeline)
  std::vector<ClipPiece> pieces;
  bool stoppedAtGap = false;
  std::string note;  // where and why the clip stopped early
};

// The clip [first's start, toMs) over `recordings` (in time order), whose
// first recording is cut by `first`; toMs on the first recording's timeline.
ClipJoin PlanClipJoin(std::span<const JoinRecording> recordings, const ClipPlan& first, int64_t toMs);

// The spacing of a stream's pictures in ms: over its timed entries, 1000/15
// when it has fewer than two.
double PictureIntervalMs(const RecordingIndex& index, int stream);

// When a piece's units end, on the first recording's timeline: its last
// picture's time plus a picture interval, or its last sound block's end,
// whichever is later.
int64_t PieceEndMs(const RecordingIndex& index, const ClipPiece& piece);

}  // namespace orvia
