// Clips over one or more recordings: opens them, plans the joins
// (clip_join.h) and walks the pieces in time order into the MP4 (clip_mp4.h),
// with timestamps that run on across the joins and a caption per second.
#include <algorithm>
#include <cmath>
#include <memory>

#include "library/card_trips.h"
#include "output/clip_export.h"
#include "output/clip_join.h"
#include "output/clip_mp4.h"
#include "output/h264_units.h"
#include "output/track_export.h"
#include "playback/telemetry.h"

namespace orvia {

namespace {

constexpr int kProgressEvery = 32;  // units between progress calls

using Source = OpenedRecording;

// The caption waiting for its end: a cue lasts until the next one begins,
// the second is over or the clip ends.
struct Cue {
  bool waiting = false;
  int64_t startMs = 0;
  std::string text;
};

class AcrossWriter {
 public:
  AcrossWriter(const std::vector<Source>& sources, const ClipJoin& join, Mp4Clip& mp4,
               ClipExportResult& result)
      : sources_(sources), join_(join), mp4_(mp4), result_(result) {}

  bool Write(const std::function<bool(double)>& progress);

 private:
  bool Fail(const std::string& text) {
    result_.error = text;
    return false;
  }
  bool WritePiece(const ClipPiece& p);
  bool WriteVideo(const Source& src, const ClipPiece& p, int s, int entry);
  bool WriteSound(const Source& src, int entry);
  bool StartSound(const Source& src, const ClipPiece& p);
  bool CuesUntil(const Source& src, int64_t localMs);
  bool FlushCue(int64_t endMs);
  bool Step();

  const std::vector<Source>& sources_;
  const ClipJoin& join_;
  Mp4Clip& mp4_;
  ClipExportResult& result_;
  std::function<bool(double)> progress_;
  int done_ = 0, total_ = 0;
  std::vector<uint8_t> unit_;  // the unit being read, kept between units
  int64_t lastDts_[2] = {-1, -1};
  double interval_[2] = {0, 0};  // picture spacing of the piece being written
  int64_t adjust_[2] = {0, 0};   // what moves the piece's pictures to follow the last ones
  int64_t base_ = 0;             // clip time of the piece's second 0
  int64_t videoEnd_ = 0;         // clip time where the last picture ends
  int nextSecond_ = 0;           // the piece's next second to caption
  bool soundStarted_ = false;
  Cue cue_;
};

// A unit done: progress now and then, which may cancel.
bool AcrossWriter::Step() {
  if (!progress_ || ++done_ % kProgressEvery != 0) return true;
  if (progress_(total_ > 0 ? static_cast<double>(done_) / total_ : 1.0)) return true;
  result_.cancelled = true;
  return Fail("the export was cancelled");
}

bool AcrossWriter::WriteVideo(const Source& src, const ClipPiece& p, int s, int entry) {
  const VideoIndexEntry& e = src.index->videoEntries[s][entry];
  if (e.size < 5 || e.size > kMaxUnitBytes) return true;  // not a picture: skipped as playback does
  unit_.resize(e.size);
  if (!src.file.ReadAt(e.offset, unit_)) return Fail(src.path + " cannot be read (was the card removed?)");
  const int64_t dts = std::max(base_ + e.time + adjust_[s], lastDts_[s] + 1);
  int64_t next = dts + std::lround(interval_[s]);
  if (entry + 1 < p.endVideo[s]) next = base_ + src.index->videoEntries[s][entry + 1].time + adjust_[s];
  const int64_t duration = std::max<int64_t>(1, next - dts);
  bool written = false;
  if (!mp4_.WriteVideo(s, unit_, p.ownParameterSets[s], dts, duration, written)) return Fail(mp4_.Error());
  if (!written) return true;
  lastDts_[s] = dts;
  videoEnd_ = std::max(videoEnd_, dts + duration);
  result_.videoUnits[s] += 1;
  return true;
}

bool AcrossWriter::WriteSound(const Source& src, int entry) {
  const SoundIndexEntry& e = src.index->soundEntries[entry];
  unit_.resize(e.size);
  if (!src.file.ReadAt(e.offset, unit_)) return Fail(src.path + " cannot be read (was the card removed?)");
  if (!mp4_.AddSamples(unit_, src.index->formats.sound)) return Fail(mp4_.Error());
  result_.soundBlocks += 1;
  return true;
}

// Places the piece's first sound block: at its own time at the clip's
// start, straight after the sound before when the piece touches it (or the
// sound runs only a little apart), else after silence for the gap.
bool AcrossWriter::StartSound(const Source& src, const ClipPiece& p) {
  if (!mp4_.HasSound() || p.firstSound >= p.endSound) return true;
  const int rate = mp4_.SampleRate();
  const int64_t due = (base_ + src.index->soundEntries[p.firstSound].time) * rate / 1000;
  if (!soundStarted_) {
    soundStarted_ = true;
    mp4_.StartSoundAt(std::max<int64_t>(0, due));
    return true;
  }
  const int64_t behind = due - mp4_.SoundPosition();
  if (behind > kTouchingMs * rate / 1000 && !mp4_.AddSilence(behind)) return Fail(mp4_.Error());
  return true;
}

bool AcrossWriter::FlushCue(int64_t endMs) {
  if (!cue_.waiting) return true;
  cue_.waiting = false;
  if (!mp4_.WriteCue(cue_.startMs, std::min(endMs, cue_.startMs + 1000), cue_.text))
    return Fail(mp4_.Error());
  return true;
}

// Captions the piece's seconds that begin at or before `localMs` of its
// timeline. A second already captioned (the same second of the clock split
// over two files) is not captioned again.
bool AcrossWriter::CuesUntil(const Source& src, int64_t localMs) {
  const RecordingIndex& index = *src.index;
  const int count = std::clamp(index.secondCount, 0, kMaxSeconds);
  for (; nextSecond_ < count && int64_t{nextSecond_} * 1000 <= localMs; ++nextSecond_) {
    const int64_t start = std::max<int64_t>(0, base_ + int64_t{nextSecond_} * 1000);
    if (base_ + int64_t{nextSecond_ + 1} * 1000 <= 0) continue;  // before the clip
    if (cue_.waiting && start <= cue_.startMs) continue;
    if (!FlushCue(start)) return false;
    const int i = nextSecond_;
    const int64_t clock = index.unixTime[i] != 0 ? index.unixTime[i] : src.start + i;
    cue_ = {true, start, ClipCaption(index, i, BreakDownUtc(clock))};
  }
  return true;
}

bool AcrossWriter::WritePiece(const ClipPiece& p) {
  const Source& src = sources_[p.recording];
  const RecordingIndex& index = *src.index;
  base_ = p.shiftMs - join_.originMs;
  nextSecond_ = 0;
  for (int s = 0; s < 2; ++s) {
    interval_[s] = PictureIntervalMs(index, s);
    adjust_[s] = 0;
    // Touching recordings: the first picture one interval after the last,
    // when that moves it by no more than the recordings' own misfit (a
    // stream that begins later in its file keeps its place).
    if (p.touches && lastDts_[s] >= 0 && p.firstVideo[s] < p.endVideo[s]) {
      const int64_t first = base_ + index.videoEntries[s][p.firstVideo[s]].time;
      const int64_t move = lastDts_[s] + std::lround(interval_[s]) - first;
      if (std::abs(move) <= kTouchingMs) adjust_[s] = move;
    }
  }
  if (!StartSound(src, p)) return false;
  int next[2] = {p.firstVideo[0], p.firstVideo[1]};
  int nextSound = mp4_.HasSound() ? p.firstSound : p.endSound;
  // In time order, so the file interleaves the tracks as it goes.
  for (;;) {
    int pick = -1;  // 0, 1 video; 2 sound
    int64_t best = 0;
    for (int s = 0; s < 2; ++s) {
      if (!mp4_.HasVideo(s) || next[s] >= p.endVideo[s]) continue;
      const int64_t t = index.videoEntries[s][next[s]].time;
      if (pick < 0 || t < best) pick = s, best = t;
    }
    if (nextSound < p.endSound && (pick < 0 || index.soundEntries[nextSound].time < best))
      pick = 2, best = index.soundEntries[nextSound].time;
    if (pick < 0) break;
    if (!CuesUntil(src, best)) return false;
    const bool ok = pick == 2 ? WriteSound(src, nextSound++) : WriteVideo(src, p, pick, next[pick]++);
    if (!ok || !Step()) return false;
  }
  // The seconds the piece's last pictures reach into.
  return CuesUntil(src, videoEnd_ - base_ - 1);
}

bool AcrossWriter::Write(const std::function<bool(double)>& progress) {
  progress_ = progress;
  for (const ClipPiece& p : join_.pieces) {
    total_ += (p.endVideo[0] - p.firstVideo[0]) + (p.endVideo[1] - p.firstVideo[1]);
    if (mp4_.HasSound()) total_ += p.endSound - p.firstSound;
  }
  for (const ClipPiece& p : join_.pieces) {
    if (!WritePiece(p)) return false;
    result_.usedRecordings.push_back(sources_[p.recording].path);
  }
  if (cue_.startMs >= videoEnd_) cue_.waiting = false;  // begins after the last picture
  if (!FlushCue(videoEnd_)) return false;
  if (!mp4_.Finish(videoEnd_)) return Fail(mp4_.Error());
  if (progress_) progress_(1.0);
  return true;
}

// The tracks of the clip from its first recording; a note when the sound
// cannot be taken along.
bool SetUpTracks(const std::vector<Source>& sources, const ClipJoin& join, const ClipExportOptions& options,
                 Mp4Clip& mp4, ClipExportResult& result) {
  const Source& first = sources.front();
  const RecordingIndex& index = *first.index;
  const ClipPiece& head = join.pieces.front();
  for (int s = 0; s < 2; ++s) {
    if (head.firstVideo[s] >= head.endVideo[s]) continue;
    const std::span<const uint8_t> header(index.header[s], std::clamp(index.headerLen[s], 0, kHeaderBytes));
    if (!mp4.AddVideo(s, header, index.formats.video[s].width, index.formats.video[s].height) && s == 0) {
      result.error = mp4.Error();
      return false;
    }
  }
  // The sound's format: that of the first recording with sound in the clip.
  const auto withSound = std::find_if(join.pieces.begin(), join.pieces.end(),
                                      [](const ClipPiece& p) { return p.firstSound < p.endSound; });
  if (withSound != join.pieces.end() && !mp4.AddSound(sources[withSound->recording].index->formats.sound)) {
    result.note +=
        (result.note.empty() ? "" : " ") + std::string("The clip has no sound: ") + mp4.Error() + ".";
  }
  mp4.AddSubtitles();
  int64_t created = first.start;
  if (options.zoneKnown && created != 0) created -= int64_t{options.utcOffsetMinutes} * 60;
  if (!mp4.Start(created)) {
    result.error = mp4.Error();
    return false;
  }
  return true;
}

// Writes the clip `join` plans over `sources` to `outputPath`.
ClipExportResult WriteJoin(const std::vector<Source>& sources, const ClipJoin& join,
                           const std::string& outputPath, const ClipExportOptions& options) {
  ClipExportResult result;
  result.originMs = static_cast<int>(join.originMs);
  result.endMs = static_cast<int>(join.endMs);
  result.stoppedAtGap = join.stoppedAtGap;
  result.note = join.note;
  Mp4Clip mp4;
  if (!mp4.Create(outputPath)) {
    result.error = mp4.Error();
    return result;
  }
  if (!SetUpTracks(sources, join, options, mp4, result)) return result;
  AcrossWriter writer(sources, join, mp4, result);
  if (!writer.Write(options.progress)) {
    result.usedRecordings.clear();
    return result;
  }
  result.ok = true;
  return result;
}

std::string CannotOpen(const std::string& path) {
  return path + ": cannot be opened or is not an AVI recording";
}

std::vector<JoinRecording> JoinRecordings(const std::vector<Source>& sources) {
  std::vector<JoinRecording> out;
  for (const Source& s : sources) out.push_back({s.index.get(), s.start});
  return out;
}

}  // namespace

ClipExportResult ExportClip(const std::string& recordingPath, const std::string& outputPath,
                            const ClipExportOptions& options) {
  ClipExportResult result;
  if (WouldReplaceInput(outputPath, {recordingPath})) {
    result.error = outputPath + ": the clip would replace the recording it is made from";
    return result;
  }
  std::vector<Source> sources;
  if (!OpenRecordingsInTurn({recordingPath}, 0, sources)) {
    result.error = CannotOpen(recordingPath);
    return result;
  }
  const ClipPlan plan = PlanClip(*sources[0].index, options.range);
  if (!plan.ok) {
    result.error = recordingPath + ": " + plan.error;
    return result;
  }
  return WriteJoin(sources, PlanClipJoin(JoinRecordings(sources), plan, plan.endMs), outputPath, options);
}

ClipExportResult ExportClipAcross(const std::vector<std::string>& recordings, int64_t fromMs, int64_t toMs,
                                  const std::string& outputPath, const ClipExportOptions& options) {
  ClipExportResult result;
  if (recordings.empty()) {
    result.error = "no recording given";
    return result;
  }
  if (WouldReplaceInput(outputPath, recordings)) {
    result.error = outputPath + ": the clip would replace a recording it is made from";
    return result;
  }
  std::vector<Source> sources;
  if (!OpenRecordingsInTurn(recordings, toMs, sources)) {
    result.error = CannotOpen(recordings[0]);
    return result;
  }
  const ClipPlan plan = PlanClipMs(*sources[0].index, fromMs, toMs);
  if (!plan.ok) {
    result.error = recordings[0] + ": " + plan.error;
    return result;
  }
  const ClipJoin join = PlanClipJoin(JoinRecordings(sources), plan, toMs);
  if (!join.ok) {
    result.error = join.error;
    return result;
  }
  return WriteJoin(sources, join, outputPath, options);
}

}  // namespace orvia
