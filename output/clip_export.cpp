#include "output/clip_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include "base/pending_file.h"
#include "output/track_export.h"

namespace orvia {

namespace {

constexpr uint32_t kMaxUnitBytes = 16u << 20;  // larger chunks are not pictures of this recorder
constexpr int kDefaultFrameMs = 67;            // last picture's duration at 15 pictures a second
constexpr int kAacBitRate = 24000;             // per channel

struct Nal {
  const uint8_t* data;
  size_t size;
};

// The NAL units of an Annex B byte stream, without start codes and trailing
// zero bytes.
std::vector<Nal> SplitAnnexB(const uint8_t* p, size_t n) {
  auto findStart = [&](size_t from) {
    for (size_t k = from; k + 3 <= n; ++k) {
      if (p[k] == 0 && p[k + 1] == 0 && p[k + 2] == 1) return k;
    }
    return n;
  };
  std::vector<Nal> out;
  for (size_t s = findStart(0); s < n;) {
    const size_t begin = s + 3;
    const size_t next = findStart(begin);
    size_t end = next;
    while (end > begin && p[end - 1] == 0) --end;
    if (end > begin) out.push_back({p + begin, end - begin});
    s = next;
  }
  return out;
}

void PutBig16(std::vector<uint8_t>& out, size_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

// The avcC record of the first SPS and PPS in a stored parameter-set header.
bool BuildAvcC(const uint8_t* header, int length, std::vector<uint8_t>& out) {
  const std::vector<Nal> nals = SplitAnnexB(header, static_cast<size_t>(std::max(0, length)));
  const Nal* sps = nullptr;
  const Nal* pps = nullptr;
  for (const Nal& n : nals) {
    const int type = n.data[0] & 0x1f;
    if (type == 7 && !sps) sps = &n;
    if (type == 8 && !pps) pps = &n;
  }
  if (!sps || !pps || sps->size < 4 || sps->size > 0xffff || pps->size > 0xffff) return false;
  out = {1, sps->data[1], sps->data[2], sps->data[3], 0xff, 0xe1};
  PutBig16(out, sps->size);
  out.insert(out.end(), sps->data, sps->data + sps->size);
  out.push_back(1);
  PutBig16(out, pps->size);
  out.insert(out.end(), pps->data, pps->data + pps->size);
  return true;
}

// A stored unit as an MP4 sample: length-prefixed NAL units, without the
// parameter sets and delimiters that now live in the codec data.
std::vector<uint8_t> ToSample(const std::vector<uint8_t>& unit, bool& key) {
  std::vector<uint8_t> out;
  key = false;
  for (const Nal& n : SplitAnnexB(unit.data(), unit.size())) {
    const int type = n.data[0] & 0x1f;
    if (type == 7 || type == 8 || type == 9) continue;
    if (type == 5) key = true;
    const size_t len = n.size;
    out.push_back(static_cast<uint8_t>(len >> 24));
    out.push_back(static_cast<uint8_t>(len >> 16));
    out.push_back(static_cast<uint8_t>(len >> 8));
    out.push_back(static_cast<uint8_t>(len));
    out.insert(out.end(), n.data, n.data + len);
  }
  return out;
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

// Everything the export holds; released in every outcome. The clip is
// written to a pending file, removed unless it was committed into place
// (also when the process is stopped by a signal).
struct Session {
  AVFormatContext* out = nullptr;
  AVCodecContext* aac = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  PendingFile file;
  std::string tempPath;

  ~Session() {
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&aac);
    if (out) {
      if (out->pb) avio_closep(&out->pb);
      avformat_free_context(out);
    }
  }
};

class ClipWriter {
 public:
  ClipWriter(const RecordingIndex& index, const RecordingFile& file, const ClipPlan& plan, Session& session,
             ClipExportResult& result)
      : index_(index), file_(file), plan_(plan), s_(session), result_(result) {}

  bool Open(const ClipExportOptions& options);
  bool WriteAll(const std::function<bool(double)>& progress);

 private:
  bool Fail(const std::string& text) {
    result_.error = text;
    return false;
  }
  bool AddSound();
  bool WriteVideo(int s, int entry);
  bool WriteSound(int entry);
  bool EncodeFrames(bool flush);
  bool WritePacket(int streamIndex, AVRational from);

  const RecordingIndex& index_;
  const RecordingFile& file_;
  const ClipPlan& plan_;
  Session& s_;
  ClipExportResult& result_;
  AVStream* video_[2] = {nullptr, nullptr};
  AVStream* sound_ = nullptr;
  int lastDts_[2] = {-1, -1};
  std::vector<float> pending_[2];  // sound samples not yet encoded, per channel
  int64_t soundPts_ = 0;           // in samples, of the first pending sample
};

bool ClipWriter::Open(const ClipExportOptions& options) {
  if (avformat_alloc_output_context2(&s_.out, nullptr, "mp4", nullptr) < 0 || !s_.out) {
    return Fail("the MP4 writer is not available");
  }
  static const char* const kNames[2] = {"Front camera", "Rear camera"};
  for (int s = 0; s < 2; ++s) {
    if (plan_.endVideo[s] <= plan_.firstVideo[s]) continue;
    std::vector<uint8_t> avcc;
    if (!BuildAvcC(index_.header[s], std::min(index_.headerLen[s], kHeaderBytes), avcc)) {
      if (s == 0) return Fail("the front camera's stream has no usable parameter sets");
      continue;  // the clip keeps the front view alone
    }
    AVStream* st = avformat_new_stream(s_.out, nullptr);
    if (!st) return Fail("out of memory");
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->codecpar->codec_id = AV_CODEC_ID_H264;
    st->codecpar->width = index_.formats.video[s].width;
    st->codecpar->height = index_.formats.video[s].height;
    st->codecpar->extradata = static_cast<uint8_t*>(av_mallocz(avcc.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!st->codecpar->extradata) return Fail("out of memory");
    std::memcpy(st->codecpar->extradata, avcc.data(), avcc.size());
    st->codecpar->extradata_size = static_cast<int>(avcc.size());
    st->time_base = {1, 1000};
    av_dict_set(&st->metadata, "handler_name", kNames[s], 0);
    video_[s] = st;
  }
  if (!AddSound()) return false;

  // The recording's start; true UTC when the card's zone is known.
  if (index_.secondCount > 0) {
    int64_t t = index_.unixTime[0];
    if (options.zoneKnown) t -= int64_t{options.utcOffsetMinutes} * 60;
    const time_t tt = static_cast<time_t>(t);
    struct tm parts {};
    if (gmtime_r(&tt, &parts)) {
      char text[40];
      std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S.000000Z", &parts);
      av_dict_set(&s_.out->metadata, "creation_time", text, 0);
    }
  }
  const int rc = avio_open(&s_.out->pb, s_.tempPath.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) return Fail("cannot write " + s_.tempPath + ": " + AvError(rc));
  const int hrc = avformat_write_header(s_.out, nullptr);
  if (hrc < 0) return Fail("cannot start the MP4 file: " + AvError(hrc));
  return true;
}

// Sound: 8- or 16-bit PCM in the recording, AAC in the clip. Another
// sound format leaves the clip without sound.
bool ClipWriter::AddSound() {
  const SoundFormat& f = index_.formats.sound;
  if (!index_.formats.hasSound || f.formatTag != 1 || (f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
      f.channels < 1 || f.channels > 2 || f.sampleRate < 8000 || f.sampleRate > 96000 ||
      plan_.endSound <= plan_.firstSound) {
    return true;
  }
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec) return true;
  s_.aac = avcodec_alloc_context3(codec);
  if (!s_.aac) return Fail("out of memory");
  s_.aac->sample_fmt = AV_SAMPLE_FMT_FLTP;
  s_.aac->sample_rate = static_cast<int>(f.sampleRate);
  av_channel_layout_default(&s_.aac->ch_layout, f.channels);
  s_.aac->bit_rate = int64_t{kAacBitRate} * f.channels;
  s_.aac->time_base = {1, s_.aac->sample_rate};
  if (s_.out->oformat->flags & AVFMT_GLOBALHEADER) s_.aac->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int rc = avcodec_open2(s_.aac, codec, nullptr);
  if (rc < 0) return Fail("cannot set up the sound encoder: " + AvError(rc));
  sound_ = avformat_new_stream(s_.out, nullptr);
  if (!sound_) return Fail("out of memory");
  avcodec_parameters_from_context(sound_->codecpar, s_.aac);
  sound_->time_base = s_.aac->time_base;
  s_.frame = av_frame_alloc();
  if (!s_.frame) return Fail("out of memory");
  s_.frame->nb_samples = s_.aac->frame_size;
  s_.frame->format = s_.aac->sample_fmt;
  s_.frame->sample_rate = s_.aac->sample_rate;
  av_channel_layout_copy(&s_.frame->ch_layout, &s_.aac->ch_layout);
  if (av_frame_get_buffer(s_.frame, 0) < 0) return Fail("out of memory");
  const int firstMs = index_.soundEntries[plan_.firstSound].time - plan_.originMs;
  soundPts_ = int64_t{firstMs} * s_.aac->sample_rate / 1000;
  return true;
}

bool ClipWriter::WritePacket(int streamIndex, AVRational from) {
  AVStream* st = s_.out->streams[streamIndex];
  s_.packet->stream_index = streamIndex;
  av_packet_rescale_ts(s_.packet, from, st->time_base);
  const int rc = av_interleaved_write_frame(s_.out, s_.packet);
  if (rc < 0) return Fail("cannot write the MP4 file: " + AvError(rc));
  return true;
}

bool ClipWriter::WriteVideo(int s, int entry) {
  const VideoIndexEntry& e = index_.videoEntries[s][entry];
  if (e.size < 5 || e.size > kMaxUnitBytes) return true;  // not a picture: skipped as playback does
  std::vector<uint8_t> unit(e.size);
  if (!file_.ReadAt(e.offset, unit)) return Fail("the recording cannot be read (was the card removed?)");
  bool key = false;
  std::vector<uint8_t> sample = ToSample(unit, key);
  if (sample.empty()) return true;
  int dts = std::max(static_cast<int>(e.time) - plan_.originMs, lastDts_[s] + 1);
  int next = dts + kDefaultFrameMs;
  if (entry + 1 < plan_.endVideo[s]) next = index_.videoEntries[s][entry + 1].time - plan_.originMs;
  lastDts_[s] = dts;
  av_packet_unref(s_.packet);
  if (av_new_packet(s_.packet, static_cast<int>(sample.size())) < 0) return Fail("out of memory");
  std::memcpy(s_.packet->data, sample.data(), sample.size());
  s_.packet->pts = s_.packet->dts = dts;
  s_.packet->duration = std::max(1, next - dts);
  if (key) s_.packet->flags |= AV_PKT_FLAG_KEY;
  result_.videoUnits[s] += 1;
  return WritePacket(video_[s]->index, {1, 1000});
}

bool ClipWriter::WriteSound(int entry) {
  const SoundIndexEntry& e = index_.soundEntries[entry];
  std::vector<uint8_t> bytes(e.size);
  if (!file_.ReadAt(e.offset, bytes)) return Fail("the recording cannot be read (was the card removed?)");
  const SoundFormat& f = index_.formats.sound;
  const size_t sampleBytes = f.bitsPerSample / 8;
  const size_t frames = bytes.size() / (sampleBytes * f.channels);
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < f.channels; ++c) {
      const uint8_t* p = bytes.data() + (i * f.channels + c) * sampleBytes;
      const float v =
          sampleBytes == 2 ? static_cast<int16_t>(p[0] | (p[1] << 8)) / 32768.0f : (p[0] - 128) / 128.0f;
      pending_[c].push_back(v);
    }
  }
  result_.soundBlocks += 1;
  return EncodeFrames(false);
}

// Hands whole frames of pending samples to the encoder (and, when
// flushing, the rest padded with silence) and writes what comes out.
bool ClipWriter::EncodeFrames(bool flush) {
  const int channels = s_.aac->ch_layout.nb_channels;
  const size_t frameSize = static_cast<size_t>(s_.aac->frame_size);
  while (pending_[0].size() >= frameSize || (flush && !pending_[0].empty())) {
    if (av_frame_make_writable(s_.frame) < 0) return Fail("out of memory");
    const size_t take = std::min(frameSize, pending_[0].size());
    for (int c = 0; c < channels; ++c) {
      float* dst = reinterpret_cast<float*>(s_.frame->data[c]);
      std::copy(pending_[c].begin(), pending_[c].begin() + take, dst);
      std::fill(dst + take, dst + frameSize, 0.0f);
      pending_[c].erase(pending_[c].begin(), pending_[c].begin() + take);
    }
    s_.frame->pts = soundPts_;
    soundPts_ += static_cast<int64_t>(frameSize);
    if (avcodec_send_frame(s_.aac, s_.frame) < 0) return Fail("the sound encoder failed");
    while (avcodec_receive_packet(s_.aac, s_.packet) == 0) {
      if (!WritePacket(sound_->index, s_.aac->time_base)) return false;
    }
  }
  if (flush) {
    avcodec_send_frame(s_.aac, nullptr);
    while (avcodec_receive_packet(s_.aac, s_.packet) == 0) {
      if (!WritePacket(sound_->index, s_.aac->time_base)) return false;
    }
  }
  return true;
}

bool ClipWriter::WriteAll(const std::function<bool(double)>& progress) {
  s_.packet = av_packet_alloc();
  if (!s_.packet) return Fail("out of memory");
  int next[2] = {plan_.firstVideo[0], plan_.firstVideo[1]};
  int nextSound = sound_ ? plan_.firstSound : plan_.endSound;
  const int total = (plan_.endVideo[0] - plan_.firstVideo[0]) + (plan_.endVideo[1] - plan_.firstVideo[1]) +
                    (plan_.endSound - nextSound);
  int done = 0;
  // In time order, so the file interleaves the three tracks as it goes.
  for (;;) {
    int pick = -1;  // 0, 1 video; 2 sound
    int best = 0;
    for (int s = 0; s < 2; ++s) {
      if (!video_[s] || next[s] >= plan_.endVideo[s]) continue;
      const int t = index_.videoEntries[s][next[s]].time;
      if (pick < 0 || t < best) pick = s, best = t;
    }
    if (nextSound < plan_.endSound) {
      const int t = index_.soundEntries[nextSound].time;
      if (pick < 0 || t < best) pick = 2, best = t;
    }
    if (pick < 0) break;
    const bool ok = pick == 2 ? WriteSound(nextSound++) : WriteVideo(pick, next[pick]++);
    if (!ok) return false;
    if (progress && ++done % 32 == 0 && !progress(total > 0 ? static_cast<double>(done) / total : 1.0)) {
      result_.cancelled = true;
      return Fail("the export was cancelled");
    }
  }
  if (sound_ && !EncodeFrames(true)) return false;
  const int rc = av_write_trailer(s_.out);
  if (rc < 0) return Fail("cannot finish the MP4 file: " + AvError(rc));
  if (progress) progress(1.0);
  return true;
}

}  // namespace

ClipExportResult ExportClip(const std::string& recordingPath, const std::string& outputPath,
                            const ClipExportOptions& options) {
  ClipExportResult result;
  if (WouldReplaceInput(outputPath, {recordingPath})) {
    result.error = outputPath + ": the clip would replace the recording it is made from";
    return result;
  }
  RecordingIndex index;
  RecordingFile file = OpenRecording(recordingPath, index);
  if (!file.IsOpen()) {
    result.error = recordingPath + ": cannot be opened or is not an AVI recording";
    return result;
  }
  const ClipPlan plan = PlanClip(index, options.range);
  if (!plan.ok) {
    result.error = recordingPath + ": " + plan.error;
    return result;
  }
  result.originMs = plan.originMs;
  result.endMs = plan.endMs;

  Session session;
  std::string why;
  if (!session.file.Create(outputPath, &why)) {
    result.error = "cannot create a file beside " + outputPath + ": " + why;
    return result;
  }
  session.tempPath = session.file.TempPath();
  ClipWriter writer(index, file, plan, session, result);
  if (!writer.Open(options) || !writer.WriteAll(options.progress)) return result;
  if (avio_closep(&session.out->pb) < 0 || !session.file.Commit(&why)) {
    result.error = "cannot write " + outputPath + ": " + (why.empty() ? "is the disk full?" : why);
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace orvia
