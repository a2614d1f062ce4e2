// The MP4 side of clips (clip_mp4.h) through libavformat and the AAC
// encoder; which units go in, and when, is clip_across.cpp's business.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include "base/pending_file.h"
#include "output/clip_mp4.h"
#include "output/h264_units.h"

namespace orvia {

namespace {

constexpr int kAacBitRate = 24000;  // per channel
constexpr int kMaxChannels = 8;

// The 3GPP timed-text sample entry after its data reference index: no
// display flags, centred at the bottom, transparent background, no box,
// one style (font 1, 18 px, opaque white) and a font table naming a sans
// serif font.
constexpr uint8_t kTextSampleEntry[] = {
    0,    0,    0,    0,                                 // display flags
    1,    0xff,                                          // centred, at the bottom
    0,    0,    0,    0,                                 // background colour
    0,    0,    0,    0,    0,   0,   0,   0,            // default text box
    0,    0,    0,    0,    0,   1,   0,   18,           // style: characters, font 1, plain, 18 px
    0xff, 0xff, 0xff, 0xff,                              // white
    0,    0,    0,    23,   'f', 't', 'a', 'b', 0,   1,  // font table, one entry:
    0,    1,    10,   's',  'a', 'n', 's', '-', 's', 'e', 'r', 'i', 'f'  // font 1
};

void PutBig32(std::vector<uint8_t>& out, size_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// The avcC record of the first SPS and PPS in a stored parameter-set header.
bool BuildAvcC(std::span<const uint8_t> header, std::vector<uint8_t>& out) {
  const ParameterSets sets = FindParameterSets(header);
  if (sets.sps.size() < 4 || sets.sps.size() > 0xffff || sets.pps.empty() || sets.pps.size() > 0xffff)
    return false;
  out = {1, sets.sps[1], sets.sps[2], sets.sps[3], 0xff, 0xe1};
  out.push_back(static_cast<uint8_t>(sets.sps.size() >> 8));
  out.push_back(static_cast<uint8_t>(sets.sps.size()));
  out.insert(out.end(), sets.sps.begin(), sets.sps.end());
  out.push_back(1);
  out.push_back(static_cast<uint8_t>(sets.pps.size() >> 8));
  out.push_back(static_cast<uint8_t>(sets.pps.size()));
  out.insert(out.end(), sets.pps.begin(), sets.pps.end());
  return true;
}

bool SetExtradata(AVCodecParameters* par, const uint8_t* data, size_t size) {
  par->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!par->extradata) return false;
  std::memcpy(par->extradata, data, size);
  par->extradata_size = static_cast<int>(size);
  return true;
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

}  // namespace

// Everything FFmpeg holds for the clip; released in every outcome. The
// pending file is removed unless it was committed into place.
struct Mp4Clip::Av {
  AVFormatContext* out = nullptr;
  AVCodecContext* aac = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  PendingFile file;
  std::string outputPath;

  ~Av() {
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&aac);
    if (out) {
      if (out->pb) avio_closep(&out->pb);
      avformat_free_context(out);
    }
  }
};

Mp4Clip::Mp4Clip() : av_(std::make_unique<Av>()) {}
Mp4Clip::~Mp4Clip() = default;

bool Mp4Clip::Fail(const std::string& text) {
  error_ = text;
  return false;
}

bool Mp4Clip::Create(const std::string& outputPath) {
  std::string why;
  av_->outputPath = outputPath;
  if (!av_->file.Create(outputPath, &why))
    return Fail("cannot create a file beside " + outputPath + ": " + why);
  if (avformat_alloc_output_context2(&av_->out, nullptr, "mp4", nullptr) < 0 || !av_->out)
    return Fail("the MP4 writer is not available");
  av_->packet = av_packet_alloc();
  if (!av_->packet) return Fail("out of memory");
  sample_.reserve(1 << 16);
  return true;
}

bool Mp4Clip::AddVideo(int view, std::span<const uint8_t> header, int width, int height) {
  static const char* const kNames[2] = {"Front camera", "Rear camera"};
  std::vector<uint8_t> avcc;
  if (!BuildAvcC(header, avcc)) {
    return Fail(std::string(view == 0 ? "the front" : "the rear") +
                " camera's stream has no usable parameter sets");
  }
  AVStream* st = avformat_new_stream(av_->out, nullptr);
  if (!st) return Fail("out of memory");
  st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  st->codecpar->codec_id = AV_CODEC_ID_H264;
  st->codecpar->width = width;
  st->codecpar->height = height;
  if (!SetExtradata(st->codecpar, avcc.data(), avcc.size())) return Fail("out of memory");
  st->time_base = {1, 1000};
  av_dict_set(&st->metadata, "handler_name", kNames[view], 0);
  video_[view] = st->index;
  return true;
}

// Sound: 8- or 16-bit PCM in the recording, AAC in the clip.
bool Mp4Clip::AddSound(const SoundFormat& f) {
  if (f.formatTag != 1 || (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.channels < 1 ||
      f.channels > kMaxChannels || f.sampleRate < 8000 || f.sampleRate > 96000) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  "the recording's sound (format %u, %u bits, %u channels, %u Hz) cannot be converted",
                  f.formatTag, f.bitsPerSample, f.channels, f.sampleRate);
    return Fail(text);
  }
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec) return Fail("this FFmpeg has no AAC encoder");
  Av& a = *av_;
  a.aac = avcodec_alloc_context3(codec);
  if (!a.aac) return Fail("out of memory");
  a.aac->sample_fmt = AV_SAMPLE_FMT_FLTP;
  a.aac->sample_rate = static_cast<int>(f.sampleRate);
  av_channel_layout_default(&a.aac->ch_layout, f.channels);
  a.aac->bit_rate = int64_t{kAacBitRate} * f.channels;
  a.aac->time_base = {1, a.aac->sample_rate};
  if (a.out->oformat->flags & AVFMT_GLOBALHEADER) a.aac->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int rc = avcodec_open2(a.aac, codec, nullptr);
  if (rc < 0) return Fail("cannot set up the sound encoder: " + AvError(rc));
  AVStream* st = avformat_new_stream(a.out, nullptr);
  if (!st) return Fail("out of memory");
  avcodec_parameters_from_context(st->codecpar, a.aac);
  st->time_base = a.aac->time_base;
  a.frame = av_frame_alloc();
  if (!a.frame) return Fail("out of memory");
  a.frame->nb_samples = a.aac->frame_size;
  a.frame->format = a.aac->sample_fmt;
  a.frame->sample_rate = a.aac->sample_rate;
  av_channel_layout_copy(&a.frame->ch_layout, &a.aac->ch_layout);
  if (av_frame_get_buffer(a.frame, 0) < 0) return Fail("out of memory");
  for (int c = 0; c < f.channels; ++c) pending_[c].reserve(static_cast<size_t>(a.aac->frame_size) * 4);
  sound_ = st->index;
  return true;
}

void Mp4Clip::AddSubtitles() {
  AVStream* st = avformat_new_stream(av_->out, nullptr);
  if (!st) return;
  st->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
  st->codecpar->codec_id = AV_CODEC_ID_MOV_TEXT;
  if (video_[0] >= 0) {
    st->codecpar->width = av_->out->streams[video_[0]]->codecpar->width;
    st->codecpar->height = av_->out->streams[video_[0]]->codecpar->height;
  }
  if (!SetExtradata(st->codecpar, kTextSampleEntry, sizeof(kTextSampleEntry))) return;
  st->time_base = {1, 1000};
  av_dict_set(&st->metadata, "handler_name", "Telemetry", 0);
  subtitles_ = st->index;
}

bool Mp4Clip::Start(int64_t creationTime) {
  if (creationTime != 0) {
    const time_t tt = static_cast<time_t>(creationTime);
    struct tm parts {};
    if (gmtime_r(&tt, &parts)) {
      char text[40];
      std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S.000000Z", &parts);
      av_dict_set(&av_->out->metadata, "creation_time", text, 0);
    }
  }
  const std::string& temp = av_->file.TempPath();
  const int rc = avio_open(&av_->out->pb, temp.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) return Fail("cannot write " + temp + ": " + AvError(rc));
  const int hrc = avformat_write_header(av_->out, nullptr);
  if (hrc < 0) return Fail("cannot start the MP4 file: " + AvError(hrc));
  return true;
}

// The packet in av_->packet, its times in 1/tbDen, to stream `stream`.
bool Mp4Clip::WritePacket(int stream, int64_t pts, int64_t dts, int64_t duration, bool key, int tbDen) {
  AVPacket* p = av_->packet;
  p->stream_index = stream;
  p->pts = pts;
  p->dts = dts;
  p->duration = duration;
  if (key) p->flags |= AV_PKT_FLAG_KEY;
  av_packet_rescale_ts(p, {1, tbDen}, av_->out->streams[stream]->time_base);
  const int rc = av_interleaved_write_frame(av_->out, p);
  if (rc < 0) return Fail("cannot write the MP4 file: " + AvError(rc));
  return true;
}

bool Mp4Clip::WriteVideo(int view, std::span<const uint8_t> unit, bool keepParameterSets, int64_t dtsMs,
                         int64_t durationMs, bool& written) {
  written = false;
  if (video_[view] < 0) return true;
  // Length-prefixed NAL units, without delimiters and (unless asked)
  // without the parameter sets that live in the codec data.
  sample_.clear();
  bool key = false;
  ForEachNal(unit.data(), unit.size(), [&](const uint8_t* nal, size_t size) {
    const int type = nal[0] & 0x1f;
    if (type == 9 || ((type == 7 || type == 8) && !keepParameterSets)) return;
    if (type == 5) key = true;
    PutBig32(sample_, size);
    sample_.insert(sample_.end(), nal, nal + size);
  });
  if (sample_.empty()) return true;
  av_packet_unref(av_->packet);
  if (av_new_packet(av_->packet, static_cast<int>(sample_.size())) < 0) return Fail("out of memory");
  std::memcpy(av_->packet->data, sample_.data(), sample_.size());
  written = true;
  return WritePacket(video_[view], dtsMs, dtsMs, std::max<int64_t>(1, durationMs), key, 1000);
}

int Mp4Clip::SampleRate() const { return av_->aac ? av_->aac->sample_rate : 0; }

int64_t Mp4Clip::SoundPosition() const { return soundPts_ + static_cast<int64_t>(pending_[0].size()); }

void Mp4Clip::StartSoundAt(int64_t samples) { soundPts_ = samples; }

bool Mp4Clip::AddSamples(std::span<const uint8_t> pcm, const SoundFormat& f) {
  if (sound_ < 0) return true;
  const int channels = av_->aac->ch_layout.nb_channels;
  const size_t sampleBytes = f.bitsPerSample == 16 ? 2 : 1;
  if (f.channels != channels || (f.bitsPerSample != 8 && f.bitsPerSample != 16)) return true;
  const size_t frames = pcm.size() / (sampleBytes * channels);
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const uint8_t* p = pcm.data() + (i * channels + c) * sampleBytes;
      const float v =
          sampleBytes == 2 ? static_cast<int16_t>(p[0] | (p[1] << 8)) / 32768.0f : (p[0] - 128) / 128.0f;
      pending_[c].push_back(v);
    }
  }
  return EncodeFrames(false);
}

bool Mp4Clip::AddSilence(int64_t samples) {
  if (sound_ < 0 || samples <= 0) return true;
  const int channels = av_->aac->ch_layout.nb_channels;
  for (int c = 0; c < channels; ++c)
    pending_[c].insert(pending_[c].end(), static_cast<size_t>(samples), 0.0f);
  return EncodeFrames(false);
}

// Hands whole frames of pending samples to the encoder (and, when
// flushing, the rest as a shorter last frame) and writes what comes out.
bool Mp4Clip::EncodeFrames(bool flush) {
  Av& a = *av_;
  const int channels = a.aac->ch_layout.nb_channels;
  const size_t frameSize = static_cast<size_t>(a.aac->frame_size);
  const bool shortLast = (a.aac->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
  while (pending_[0].size() >= frameSize || (flush && !pending_[0].empty())) {
    if (av_frame_make_writable(a.frame) < 0) return Fail("out of memory");
    const size_t take = std::min(frameSize, pending_[0].size());
    for (int c = 0; c < channels; ++c) {
      float* dst = reinterpret_cast<float*>(a.frame->data[c]);
      std::copy(pending_[c].begin(), pending_[c].begin() + static_cast<long>(take), dst);
      std::fill(dst + take, dst + frameSize, 0.0f);
      pending_[c].erase(pending_[c].begin(), pending_[c].begin() + static_cast<long>(take));
    }
    a.frame->nb_samples = static_cast<int>(shortLast ? take : frameSize);
    a.frame->pts = soundPts_;
    soundPts_ += a.frame->nb_samples;
    if (avcodec_send_frame(a.aac, a.frame) < 0) return Fail("the sound encoder failed");
    while (avcodec_receive_packet(a.aac, a.packet) == 0) {
      if (!WritePacket(sound_, a.packet->pts, a.packet->dts, a.packet->duration, false, a.aac->sample_rate))
        return false;
    }
  }
  if (flush) {
    avcodec_send_frame(a.aac, nullptr);
    while (avcodec_receive_packet(a.aac, a.packet) == 0) {
      if (!WritePacket(sound_, a.packet->pts, a.packet->dts, a.packet->duration, false, a.aac->sample_rate))
        return false;
    }
  }
  return true;
}

bool Mp4Clip::WriteCue(int64_t startMs, int64_t endMs, const std::string& text) {
  if (subtitles_ < 0 || endMs <= startMs) return true;
  // A 3GPP text sample: the text's length (16 bits, big-endian), then the text.
  const size_t length = std::min<size_t>(text.size(), 0xffff);
  av_packet_unref(av_->packet);
  if (av_new_packet(av_->packet, static_cast<int>(length + 2)) < 0) return Fail("out of memory");
  av_->packet->data[0] = static_cast<uint8_t>(length >> 8);
  av_->packet->data[1] = static_cast<uint8_t>(length);
  std::memcpy(av_->packet->data + 2, text.data(), length);
  return WritePacket(subtitles_, startMs, startMs, endMs - startMs, true, 1000);
}

bool Mp4Clip::Finish(int64_t endMs) {
  if (sound_ >= 0) {
    // The sound ends with the pictures: silence where it ran short, the
    // samples not yet encoded cut where it runs on.
    const int64_t target = endMs * av_->aac->sample_rate / 1000;
    const int64_t have = SoundPosition();
    if (have < target) {
      if (!AddSilence(target - have)) return false;
    } else {
      const size_t cut = static_cast<size_t>(std::min<int64_t>(have - target, pending_[0].size()));
      for (auto& channel : pending_) channel.resize(channel.size() >= cut ? channel.size() - cut : 0);
    }
    if (!EncodeFrames(true)) return false;
  }
  const int rc = av_write_trailer(av_->out);
  if (rc < 0) return Fail("cannot finish the MP4 file: " + AvError(rc));
  std::string why;
  if (avio_closep(&av_->out->pb) < 0 || !av_->file.Commit(&why))
    return Fail("cannot write " + av_->outputPath + ": " + (why.empty() ? "is the disk full?" : why));
  return true;
}

}  // namespace orvia
