#include "library/recording_telemetry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/little_endian.h"

namespace orvia {
namespace {

// A recording's bytes (a file or a buffer), counting what is asked of it.
class Reader {
 public:
  explicit Reader(const RecordingFile& file) : file_(file) {}
  uint64_t Size() const { return file_.Size(); }
  // Exactly n bytes at offset, or false.
  bool Read(uint64_t offset, uint8_t* dst, size_t n) {
    if (offset > Size() || n > Size() - offset) return false;
    bytesRead_ += n;
    return file_.ReadAt(offset, {dst, n});
  }
  uint64_t BytesRead() const { return bytesRead_; }

 private:
  const RecordingFile& file_;
  uint64_t bytesRead_ = 0;
};

bool Is(const uint8_t* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }
uint64_t Rounded(uint32_t size) { return uint64_t{size} + (size & 1); }

// The largest idx1 taken: 16 bytes an entry, far more entries than a
// one-minute recording holds.
constexpr uint32_t kMaxIdx1Bytes = 16u << 20;
// Top-level chunks looked at before giving up on finding movi and idx1.
constexpr int kMaxTopChunks = 64;

// The seconds as playback's walk forms them: a motion record with a new
// Unix time begins the next second, its largest sample is the second's peak,
// and a GPS record gives the current second its first fix.
class SecondBuilder {
 public:
  explicit SecondBuilder(std::vector<TelemetrySecond>& out) : out_(out) {}
  // False once a record would begin a second past kMaxSeconds.
  bool Add(std::span<const uint8_t> record) {
    MotionSample m;
    if (ParseMotionRecord(record, m)) {
      if (out_.empty() || static_cast<int64_t>(m.unixTime) != lastTime_) {
        if (!out_.empty() && out_.size() >= static_cast<size_t>(kMaxSeconds)) return false;
        if (out_.empty() || lastTime_ != -1) out_.emplace_back();
        lastTime_ = m.unixTime;
      }
      TelemetrySecond& s = out_.back();
      s.unixTime = static_cast<int32_t>(m.unixTime);
      const auto mag = [](int16_t x, int16_t y, int16_t z) {
        return int64_t{x} * x + int64_t{y} * y + int64_t{z} * z;
      };
      if (mag(m.x, m.y, m.z) > mag(s.peak.x, s.peak.y, s.peak.z)) s.peak = {m.x, m.y, m.z};
      return true;
    }
    if (!record.empty() && record[0] == 'G') {
      if (out_.empty()) out_.emplace_back();
      TelemetrySecond& s = out_.back();
      if (!s.hasFix) {
        s.hasFix = true;
        s.fix = ParseGpsRecord(record);
      }
    }
    return true;
  }

 private:
  std::vector<TelemetrySecond>& out_;
  int64_t lastTime_ = -1;
};

struct TopLevel {
  uint64_t moviTag = 0;  // offset of the "movi" list type
  uint64_t moviEnd = 0;  // end of the movi list's data
  uint64_t idx1 = 0;     // offset of idx1's data
  uint32_t idx1Size = 0;
};

// Finds movi and idx1 among the top-level chunks, taking chunk heads from
// `head` where it holds them and reading the few beyond it.
bool FindTopLevel(Reader& reader, const std::vector<uint8_t>& head, TopLevel& top) {
  const uint64_t size = reader.Size();
  uint64_t off = 12;
  for (int i = 0; i < kMaxTopChunks && off + 8 <= size; ++i) {
    uint8_t h[12] = {};
    if (off + 12 <= head.size()) {
      std::memcpy(h, head.data() + off, 12);
    } else if (!reader.Read(off, h, 8) ||
               (Is(h, "LIST") && off + 12 <= size && !reader.Read(off + 8, h + 8, 4))) {
      // Beyond the head a chunk's head is 8 bytes; a list's type 4 more.
      return false;
    }
    const uint32_t chunkSize = Le32(h + 4);
    if (Is(h, "LIST") && Is(h + 8, "movi")) {
      top.moviTag = off + 8;
      top.moviEnd = off + 8 + uint64_t{chunkSize};
    } else if (Is(h, "idx1")) {
      top.idx1 = off + 8;
      top.idx1Size = chunkSize;
      return top.moviTag != 0;
    }
    off += 8 + Rounded(chunkSize);
  }
  return false;
}

// Reads the telemetry through idx1; false when idx1 is missing, short or
// does not agree with the chunks it points at (the caller walks instead).
bool ReadThroughIndex(Reader& reader, RecordingTelemetry& out) {
  std::vector<TelemetrySecond>& seconds = out.seconds;
  const uint64_t size = reader.Size();
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(kHeadReadBytes, size)));
  if (head.size() < 12 || !reader.Read(0, head.data(), head.size())) return false;
  TopLevel top;
  if (!FindTopLevel(reader, head, top)) return false;
  if (top.idx1Size == 0 || top.idx1Size % 16 != 0 || top.idx1Size > kMaxIdx1Bytes ||
      top.idx1 + top.idx1Size > size || top.moviEnd > size)
    return false;
  std::vector<uint8_t> idx1(top.idx1Size);
  if (!reader.Read(top.idx1, idx1.data(), idx1.size())) return false;
  out.idx1Bytes = 8 + idx1.size();  // with its chunk head

  // Offsets count from the movi list type; the entries must run in file
  // order up to the end of the movi list, or idx1 is short.
  const size_t entries = idx1.size() / 16;
  uint64_t lastEnd = 0;
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* e = idx1.data() + i * 16;
    const uint64_t at = top.moviTag + Le32(e + 8);
    if (at < lastEnd) return false;
    lastEnd = at + 8 + Rounded(Le32(e + 12));
  }
  if (lastEnd != top.moviEnd) return false;

  SecondBuilder builder(seconds);
  std::vector<uint8_t> record(8 + kMaxTelemetryBytes);
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t* e = idx1.data() + i * 16;
    if (e[2] != 't') continue;
    const uint32_t recordSize = Le32(e + 12);
    const uint64_t at = top.moviTag + Le32(e + 8);
    // A record larger than playback takes is skipped, as playback skips it.
    if (recordSize > kMaxTelemetryBytes) continue;
    // One small read takes the chunk head and the record.
    if (at > size) return false;
    const size_t take = static_cast<size_t>(
        std::min<uint64_t>(std::max<uint64_t>(kTelemetryReadBytes, 8 + uint64_t{recordSize}), size - at));
    if (take < 8 + recordSize || !reader.Read(at, record.data(), take)) return false;
    ++out.telemetryRecords;
    // The chunk there must be the one idx1 names.
    if (!Is(record.data(), reinterpret_cast<const char*>(e)) || Le32(record.data() + 4) != recordSize)
      return false;
    if (!builder.Add({record.data() + 8, recordSize})) break;
  }
  return true;
}

// The seconds of a recording indexed as playback indexes it.
void FromIndex(const RecordingIndex& index, std::vector<TelemetrySecond>& seconds) {
  const int count = std::clamp<int32_t>(index.secondCount, 0, kMaxSeconds);
  seconds.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    seconds[i].unixTime = index.unixTime[i];
    seconds[i].peak = index.gPeak[i];
    if (index.gps[i]) {
      seconds[i].hasFix = true;
      seconds[i].fix = *index.gps[i];
    }
  }
}

// A recording without telemetry seconds has one empty second in the walk's
// answer; the index path says the same.
void MatchWalkShape(std::vector<TelemetrySecond>& seconds) {
  if (seconds.empty()) seconds.emplace_back();
}

}  // namespace

RecordingTelemetry ReadRecordingTelemetryBytes(std::span<const uint8_t> bytes) {
  RecordingTelemetry out;
  const RecordingFile file(bytes);
  Reader reader(file);
  if (ReadThroughIndex(reader, out)) {
    MatchWalkShape(out.seconds);
    out.ok = out.fromIndex = true;
    out.bytesRead = reader.BytesRead();
    return out;
  }
  out.seconds.clear();
  out.idx1Bytes = out.telemetryRecords = 0;
  RecordingIndex index;
  out.ok = IndexRecordingBytes(bytes, index);
  if (out.ok) FromIndex(index, out.seconds);
  out.bytesRead = bytes.size();
  return out;
}

RecordingTelemetry ReadRecordingTelemetry(const std::string& path) {
  RecordingTelemetry out;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return out;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  // A card pays for every page read ahead; only a few small pieces are
  // wanted here.
  posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  bool indexed = false;
  {
    const RecordingFile file(fd, static_cast<uint64_t>(st.st_size));  // closes fd
    Reader reader(file);
    indexed = ReadThroughIndex(reader, out);
    out.bytesRead = reader.BytesRead();
  }
  if (indexed) {
    MatchWalkShape(out.seconds);
    out.ok = out.fromIndex = true;
    return out;
  }
  out.seconds.clear();
  out.idx1Bytes = out.telemetryRecords = 0;
  RecordingIndex index;
  RecordingFile file = OpenRecording(path, index);
  out.ok = file.IsOpen();
  if (out.ok) FromIndex(index, out.seconds);
  // The walk reads every chunk head; through read-ahead, most of the file.
  out.bytesRead += static_cast<uint64_t>(st.st_size);
  return out;
}

}  // namespace orvia
