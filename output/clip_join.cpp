#include "output/clip_join.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "library/card_trips.h"
#include "output/h264_units.h"
#include "playback/telemetry.h"

namespace orvia {

namespace {

constexpr double kDefaultIntervalMs = 1000.0 / 15;
const char* const kViewNames[2] = {"front", "rear"};

int VideoCount(const RecordingIndex& index, int s) {
  return std::clamp(index.videoCount[s], 0, kVideoCapacity);
}
int SoundCount(const RecordingIndex& index) { return std::clamp(index.soundCount, 0, kSoundCapacity); }

// How long a sound block plays, in ms; 0 when the format does not say.
int64_t SoundBlockMs(const RecordingIndex& index, int entry) {
  const SoundFormat& f = index.formats.sound;
  if (f.blockAlign == 0 || f.sampleRate == 0) return 0;
  return int64_t{index.soundEntries[entry].size} / f.blockAlign * 1000 / f.sampleRate;
}

std::optional<PictureSize> StreamPictureSize(const RecordingIndex& index, int s) {
  const int length = std::clamp(index.headerLen[s], 0, kHeaderBytes);
  const ParameterSets sets = FindParameterSets({index.header[s], static_cast<size_t>(length)});
  return SpsPictureSize(sets.sps);
}

std::span<const uint8_t> Header(const RecordingIndex& index, int s) {
  return {index.header[s], static_cast<size_t>(std::clamp(index.headerLen[s], 0, kHeaderBytes))};
}

// The whole recording from `fromMs` on (its timeline) to `toMs`: each
// stream from its first key unit at or after `fromMs`, the sound from its
// first block there. Streams the clip has no track for stay empty.
ClipPiece WholePiece(const RecordingIndex& index, const bool tracks[2], int64_t fromMs, int64_t toMs) {
  ClipPiece piece;
  for (int s = 0; s < 2; ++s) {
    if (!tracks[s]) continue;
    int first = 0;
    const int count = VideoCount(index, s);
    while (first < count &&
           (index.videoEntries[s][first].time < fromMs || index.videoEntries[s][first].key != kKeyUnit))
      ++first;
    int end = first;
    while (end < count && index.videoEntries[s][end].time < toMs) ++end;
    piece.firstVideo[s] = first;
    piece.endVideo[s] = end;
  }
  int first = 0;
  while (first < SoundCount(index) && index.soundEntries[first].time < fromMs) ++first;
  int end = first;
  while (end < SoundCount(index) && index.soundEntries[end].time < toMs) ++end;
  piece.firstSound = first;
  piece.endSound = end;
  return piece;
}

// When a piece's first unit lies, on the first recording's timeline; -1 when it has none.
int64_t PieceStartMs(const RecordingIndex& index, const ClipPiece& piece) {
  int64_t start = -1;
  const auto take = [&](int64_t t) { start = start < 0 ? t : std::min(start, t); };
  for (int s = 0; s < 2; ++s)
    if (piece.firstVideo[s] < piece.endVideo[s]) take(index.videoEntries[s][piece.firstVideo[s]].time);
  if (piece.firstSound < piece.endSound) take(index.soundEntries[piece.firstSound].time);
  return start < 0 ? -1 : piece.shiftMs + start;
}

// "08:36:00", the time of day of `ms` on the first recording's timeline.
std::string ClockText(int64_t firstStart, int64_t ms) {
  const RecordingDate d = BreakDownUtc(firstStart + (ms + 500) / 1000);
  char text[16];
  std::snprintf(text, sizeof(text), "%02d:%02d:%02d", d.hour, d.minute, d.second);
  return text;
}

// "12 s", "25 min", "9 h 29 min": how long a gap lasts.
std::string GapText(int64_t seconds) {
  if (seconds < 120) return std::to_string(seconds) + " s";
  const int64_t minutes = seconds / 60;
  if (minutes < 120) return std::to_string(minutes) + " min";
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

// Why `next` cannot follow the clip so far; empty when it can.
std::string JoinProblem(const RecordingIndex& first, const RecordingIndex& next, const bool tracks[2]) {
  for (int s = 0; s < 2; ++s) {
    if (!tracks[s] || VideoCount(next, s) == 0) continue;
    const std::optional<PictureSize> was = StreamPictureSize(first, s), now = StreamPictureSize(next, s);
    if (was && now && *was == *now) continue;
    if (!now) return std::string("the next recording's ") + kViewNames[s] + " camera stream cannot be read";
    char text[128];
    std::snprintf(text, sizeof(text), "the next recording's %s camera pictures are %dx%d, not %dx%d",
                  kViewNames[s], now->width, now->height, was ? was->width : 0, was ? was->height : 0);
    return text;
  }
  const SoundFormat &a = first.formats.sound, &b = next.formats.sound;
  if (first.formats.hasSound && next.formats.hasSound && SoundCount(next) > 0 &&
      (a.sampleRate != b.sampleRate || a.channels != b.channels || a.formatTag != b.formatTag)) {
    char text[128];
    std::snprintf(text, sizeof(text), "the next recording's sound is %u Hz in %u channels, not %u Hz in %u",
                  b.sampleRate, b.channels, a.sampleRate, a.channels);
    return text;
  }
  return "";
}

}  // namespace

double PictureIntervalMs(const RecordingIndex& index, int stream) {
  const int count = VideoCount(index, stream);
  if (count < 2) return kDefaultIntervalMs;
  const double span = index.videoEntries[stream][count - 1].time - index.videoEntries[stream][0].time;
  return span > 0 ? span / (count - 1) : kDefaultIntervalMs;
}

int64_t PieceEndMs(const RecordingIndex& index, const ClipPiece& piece) {
  int64_t end = 0;
  for (int s = 0; s < 2; ++s) {
    if (piece.firstVideo[s] >= piece.endVideo[s]) continue;
    const double last = index.videoEntries[s][piece.endVideo[s] - 1].time + PictureIntervalMs(index, s);
    end = std::max(end, static_cast<int64_t>(last + 0.5));
  }
  if (piece.firstSound < piece.endSound) {
    const int last = piece.endSound - 1;
    end = std::max(end, index.soundEntries[last].time + SoundBlockMs(index, last));
  }
  return piece.shiftMs + end;
}

ClipJoin PlanClipJoin(std::span<const JoinRecording> recordings, const ClipPlan& first, int64_t toMs) {
  ClipJoin join;
  if (recordings.empty() || !recordings[0].index || !first.ok) {
    join.error = first.ok ? "no recording" : first.error;
    return join;
  }
  const RecordingIndex& head = *recordings[0].index;
  join.originMs = first.originMs;
  join.endMs = toMs;
  ClipPiece piece;
  const bool tracks[2] = {first.firstVideo[0] < first.endVideo[0], first.firstVideo[1] < first.endVideo[1]};
  for (int s = 0; s < 2; ++s) {
    piece.firstVideo[s] = first.firstVideo[s];
    piece.endVideo[s] = first.endVideo[s];
  }
  piece.firstSound = first.firstSound;
  piece.endSound = first.endSound;
  join.pieces.push_back(piece);
  for (size_t k = 1; k < recordings.size(); ++k) {
    const int64_t shift = (recordings[k].start - recordings[0].start) * 1000;
    if (shift >= toMs) break;  // the clip ends before this one begins
    const ClipPiece& before = join.pieces.back();
    const int64_t previousEnd = PieceEndMs(*recordings[before.recording].index, before);
    const std::string stop = "The clip stops at " + ClockText(recordings[0].start, previousEnd) + ": ";
    if (!recordings[k].index) {
      join.note = stop + "the next recording cannot be read.";
      break;
    }
    const RecordingIndex& next = *recordings[k].index;
    // What overlaps the clip so far is left out, from a key unit on.
    ClipPiece p = WholePiece(next, tracks, previousEnd - kTouchingMs - shift, toMs - shift);
    p.recording = k;
    p.shiftMs = shift;
    const int64_t start = PieceStartMs(next, p);
    if (start < 0) continue;  // nothing of it within the clip, or all of it in the clip already
    std::string problem = JoinProblem(head, next, tracks);
    if (start - previousEnd > kLargestJoinGapMs) {
      problem = "the next recording begins " + GapText((start - previousEnd + 500) / 1000) + " later";
    }
    if (!problem.empty()) {
      join.note = stop + problem + ".";
      break;
    }
    for (int s = 0; s < 2; ++s) p.ownParameterSets[s] = !SameParameterSets(Header(head, s), Header(next, s));
    p.touches = start - previousEnd <= kTouchingMs;
    join.pieces.push_back(p);
  }
  join.stoppedAtGap = !join.note.empty();
  const ClipPiece& last = join.pieces.back();
  join.endMs = std::min(toMs, PieceEndMs(*recordings[last.recording].index, last));
  join.ok = true;
  return join;
}

bool OpenRecordingsInTurn(const std::vector<std::string>& paths, int64_t toMs,
                          std::vector<OpenedRecording>& sources) {
  for (const std::string& path : paths) {
    OpenedRecording& s = sources.emplace_back();
    s.path = path;
    s.index = std::make_unique<RecordingIndex>();
    s.file = OpenRecording(path, *s.index);
    if (!s.file.IsOpen()) s.index.reset();
    s.start = s.index && s.index->secondCount > 0 && s.index->unixTime[0] != 0 ? s.index->unixTime[0]
                                                                               : RecordingNameTime(path);
    if (!s.index) return sources.size() > 1;
    if (sources.size() > 1 && (s.start - sources[0].start) * 1000 >= toMs) break;
  }
  return true;
}

}  // namespace orvia
