#include "tools/sim/avi_builder.h"

#include <algorithm>

namespace orvia::sim {

namespace {

constexpr uint32_t kAviifKeyframe = 0x10;
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr size_t kMoviDataOffset = 4096;  // where movi's chunks begin in the file

class Bytes {
 public:
  void U8(uint8_t v) { b_.push_back(v); }
  void U16(uint16_t v) {
    U8(v & 0xff);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xffff);
    U16(v >> 16);
  }
  void Tag(const char* s) { U32(FourCC(s)); }
  void Append(std::span<const uint8_t> d) { b_.insert(b_.end(), d.begin(), d.end()); }
  // Starts a chunk; returns the position of its size field for EndChunk.
  size_t BeginChunk(const char* id) {
    Tag(id);
    U32(0);
    return b_.size() - 4;
  }
  size_t BeginList(const char* type) {
    size_t at = BeginChunk("LIST");
    Tag(type);
    return at;
  }
  void EndChunk(size_t sizeAt) {
    const uint32_t size = static_cast<uint32_t>(b_.size() - sizeAt - 4);
    for (int i = 0; i < 4; ++i) b_[sizeAt + i] = static_cast<uint8_t>(size >> (8 * i));
    if (size & 1) U8(0);
  }
  size_t Size() const { return b_.size(); }
  std::vector<uint8_t>& Data() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

int StreamOf(uint32_t id) {
  const int tens = static_cast<int>(id & 0xff) - '0';
  const int ones = static_cast<int>((id >> 8) & 0xff) - '0';
  const int n = tens * 10 + ones;
  return (tens >= 0 && tens <= 9 && ones >= 0 && ones <= 9 && n < 4) ? n : -1;
}

void StreamHeader(Bytes& b, const char* type, const char* handler, uint32_t scale, uint32_t rate,
                  uint32_t length, uint32_t bufferSize, uint32_t sampleSize, int width, int height) {
  const size_t at = b.BeginChunk("strh");
  b.Tag(type);
  if (handler) {
    b.Tag(handler);
  } else {
    b.U32(0);
  }
  b.U32(0);  // flags
  b.U16(0);  // priority
  b.U16(0);  // language
  b.U32(0);  // initial frames
  b.U32(scale);
  b.U32(rate);
  b.U32(0);  // start
  b.U32(length);
  b.U32(bufferSize);
  b.U32(0xffffffffu);  // quality: default
  b.U32(sampleSize);
  b.U16(0);
  b.U16(0);
  b.U16(static_cast<uint16_t>(width));
  b.U16(static_cast<uint16_t>(height));
  b.EndChunk(at);
}

void StreamName(Bytes& b, const char* name) {
  const size_t at = b.BeginChunk("strn");
  for (const char* p = name; *p; ++p) b.U8(static_cast<uint8_t>(*p));
  b.U8(0);
  b.EndChunk(at);
}

// avih: `mainFrames` units of the front stream, `totalBytes` data bytes of
// all streams, `largestChunk` the largest chunk of any stream.
void MainHeader(Bytes& b, const AviStreams& st, int seconds, uint32_t mainFrames, uint32_t totalBytes,
                uint32_t largestChunk) {
  const size_t avih = b.BeginChunk("avih");
  b.U32(static_cast<uint32_t>((1000000 + st.fps / 2) / std::max(1, st.fps)));  // microseconds per frame
  b.U32(seconds > 0 ? totalBytes / static_cast<uint32_t>(seconds) : totalBytes);  // max bytes per second
  b.U32(0);                                                                      // padding granularity
  b.U32(kAvifHasIndex | kAvifIsInterleaved);
  b.U32(mainFrames);  // total frames of the main stream
  b.U32(0);           // initial frames
  b.U32(4);           // streams
  b.U32(largestChunk + 8);
  b.U32(static_cast<uint32_t>(st.videoWidth[0]));
  b.U32(static_cast<uint32_t>(st.videoHeight[0]));
  for (int i = 0; i < 4; ++i) b.U32(0);
  b.EndChunk(avih);
}

// The strl of video stream s (0 front, 1 rear): H.264 of `units` units.
void VideoStreamList(Bytes& b, const AviStreams& st, int s, uint32_t units, uint32_t largest) {
  const char* videoNames[2] = {"front", "rear"};
  const size_t strl = b.BeginList("strl");
  StreamHeader(b, "vids", "H264", 1, static_cast<uint32_t>(st.fps), units, largest + 8, 0, st.videoWidth[s],
               st.videoHeight[s]);
  const size_t strf = b.BeginChunk("strf");
  b.U32(40);  // BITMAPINFOHEADER
  b.U32(static_cast<uint32_t>(st.videoWidth[s]));
  b.U32(static_cast<uint32_t>(st.videoHeight[s]));
  b.U16(1);   // planes
  b.U16(24);  // bits per pixel
  b.Tag("H264");
  b.U32(static_cast<uint32_t>(st.videoWidth[s] * st.videoHeight[s] * 3));
  b.U32(0);
  b.U32(0);
  b.U32(0);
  b.U32(0);
  b.EndChunk(strf);
  StreamName(b, videoNames[s]);
  b.EndChunk(strl);
}

// The strl of the sound: 16-bit mono PCM, `bytes` data bytes in all.
void SoundStreamList(Bytes& b, const AviStreams& st, uint32_t bytes, uint32_t largest) {
  const size_t strl = b.BeginList("strl");
  const uint32_t blockAlign = 2;
  StreamHeader(b, "auds", nullptr, blockAlign, st.soundSampleRate * blockAlign, bytes / blockAlign, largest,
               blockAlign, 0, 0);
  const size_t strf = b.BeginChunk("strf");
  b.U16(1);  // WAVE_FORMAT_PCM
  b.U16(1);  // mono
  b.U32(st.soundSampleRate);
  b.U32(st.soundSampleRate * blockAlign);
  b.U16(static_cast<uint16_t>(blockAlign));
  b.U16(16);
  b.U16(0);  // no extra format bytes
  b.EndChunk(strf);
  StreamName(b, "sound");
  b.EndChunk(strl);
}

// The strl of the telemetry text stream: a header and a name, no format.
void TelemetryStreamList(Bytes& b, const AviStreams& st, uint32_t records, uint32_t largest) {
  const size_t strl = b.BeginList("strl");
  StreamHeader(b, "txts", nullptr, 1, st.telemetryPerSecond, records, largest + 8, 0, 0, 0);
  StreamName(b, "telemetry");
  b.EndChunk(strl);
}

}  // namespace

void AviBuilder::AddChunk(const char* id, std::span<const uint8_t> data, bool key) {
  const uint32_t tag = FourCC(id);
  const uint32_t size = static_cast<uint32_t>(data.size());
  index_.push_back({tag, key ? kAviifKeyframe : 0u, static_cast<uint32_t>(movi_.size() + 4), size});
  const uint8_t head[8] = {static_cast<uint8_t>(tag),        static_cast<uint8_t>(tag >> 8),
                           static_cast<uint8_t>(tag >> 16),  static_cast<uint8_t>(tag >> 24),
                           static_cast<uint8_t>(size),       static_cast<uint8_t>(size >> 8),
                           static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  movi_.insert(movi_.end(), head, head + 8);
  movi_.insert(movi_.end(), data.begin(), data.end());
  if (size & 1) movi_.push_back(0);
  const int s = StreamOf(tag);
  if (s >= 0) {
    ++count_[s];
    bytes_[s] += size;
    largest_[s] = std::max(largest_[s], size);
  }
}

std::vector<uint8_t> AviBuilder::Finish(const AviStreams& st, int seconds) const {
  Bytes b;
  const size_t riff = b.BeginChunk("RIFF");
  b.Tag("AVI ");

  const size_t hdrl = b.BeginList("hdrl");
  uint32_t total = 0;
  for (uint32_t v : bytes_) total += v;
  MainHeader(b, st, seconds, count_[0], total, *std::max_element(largest_, largest_ + 4));
  for (int s = 0; s < 2; ++s) VideoStreamList(b, st, s, count_[s], largest_[s]);
  SoundStreamList(b, st, bytes_[2], largest_[2]);
  TelemetryStreamList(b, st, count_[3], largest_[3]);
  b.EndChunk(hdrl);

  // JUNK up to a fixed place, as the recorder reserves room for its headers.
  const size_t junk = b.BeginChunk("JUNK");
  const size_t junkEnd = kMoviDataOffset - 12;  // the movi list head follows
  while (b.Size() < junkEnd) b.U8(0);
  b.EndChunk(junk);

  const size_t movi = b.BeginList("movi");
  b.Append(movi_);
  b.EndChunk(movi);

  const size_t idx1 = b.BeginChunk("idx1");
  for (const IndexEntry& e : index_) {
    b.U32(e.id);
    b.U32(e.flags);
    b.U32(e.offset);
    b.U32(e.size);
  }
  b.EndChunk(idx1);
  b.EndChunk(riff);
  return std::move(b.Data());
}

}  // namespace orvia::sim
