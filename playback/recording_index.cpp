#include "playback/recording_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/little_endian.h"

namespace orvia {

// ---------------------------------------------------------------------------
// Index and file

RecordingIndex::RecordingIndex()
    : soundEntries(new SoundIndexEntry[kSoundCapacity]),
      videoEntries{std::unique_ptr<VideoIndexEntry[]>(new VideoIndexEntry[kVideoCapacity]),
                   std::unique_ptr<VideoIndexEntry[]>(new VideoIndexEntry[kVideoCapacity])} {}

void RecordingIndex::Clear() {
  soundCount = 0;
  videoCount[0] = videoCount[1] = 0;
  secondCount = 0;
  for (int i = 0; i < kMaxSeconds; ++i) {
    unixTime[i] = 0;
    gPeak[i] = GPeak{};
    gps[i].reset();
  }
  headerLen[0] = headerLen[1] = 0;
  std::memset(header, 0, sizeof header);
  formats = StreamFormats{};
}

RecordingFile::~RecordingFile() { Close(); }

RecordingFile::RecordingFile(RecordingFile&& o) noexcept
    : fd_(o.fd_), bytes_(o.bytes_), inMemory_(o.inMemory_), size_(o.size_) {
  o.fd_ = -1;
  o.bytes_ = {};
  o.inMemory_ = false;
  o.size_ = 0;
}

RecordingFile& RecordingFile::operator=(RecordingFile&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    bytes_ = o.bytes_;
    inMemory_ = o.inMemory_;
    size_ = o.size_;
    o.fd_ = -1;
    o.bytes_ = {};
    o.inMemory_ = false;
    o.size_ = 0;
  }
  return *this;
}

void RecordingFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  bytes_ = {};
  inMemory_ = false;
  size_ = 0;
}

bool RecordingFile::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
  if (!IsOpen() || offset > size_ || out.size() > size_ - offset) return false;
  if (inMemory_) {
    // size_ is bytes_.size(): the range lies inside the borrowed bytes.
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
  }
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Telemetry records

bool ParseMotionRecord(std::span<const uint8_t> d, MotionSample& out) {
  if (d.size() < 11 || d[0] != 'M') return false;
  auto raw = [&](size_t i) { return static_cast<int>((d[i] << 8) | d[i + 1]); };
  // 512 is 0 g and 256 counts are 1 g; thousandths of g, truncated toward 0.
  auto milliG = [](int r) { return static_cast<int16_t>((r - 512) * 1000 / 256); };
  out.x = milliG(raw(1));
  out.y = milliG(raw(3));
  out.z = milliG(raw(5));
  out.unixTime = (uint32_t{d[7]} << 24) | (uint32_t{d[8]} << 16) | (uint32_t{d[9]} << 8) | d[10];
  return true;
}

namespace {

// One ASCII number of a GPS record starting at `pos`; `pos` ends at the first
// character that is not part of it.
double ReadGpsNumber(std::span<const uint8_t> d, size_t& pos) {
  while (pos < d.size() && (d[pos] == ' ' || d[pos] == '\t' || d[pos] == 0)) ++pos;
  double value = 0, divisor = 1;
  bool negative = false, fraction = false;
  for (; pos < d.size(); ++pos) {
    uint8_t c = d[pos];
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (fraction) divisor *= 10;
    } else if (c == '.') {
      fraction = true;
    } else if (c == '-') {
      negative = true;
    } else if (c != '+') {
      break;
    }
  }
  double v = value / divisor;
  return negative ? -v : v;
}

template <typename T>
T ClampTo(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  return static_cast<T>(v);
}

// ddmm.mmmm to millionths of a degree; the sign of the number carries over.
int32_t DegreesMinutesToMicro(double v) {
  double degrees = std::trunc(v / 100);
  double minutes = (v / 100 - degrees) * 100;
  return ClampTo<int32_t>(std::trunc((degrees + minutes / 60) * 1000000.0));
}

}  // namespace

GpsFix ParseGpsRecord(std::span<const uint8_t> d) {
  size_t pos = 1;
  double lat = ReadGpsNumber(d, pos);
  double lng = ReadGpsNumber(d, pos);
  double speed = ReadGpsNumber(d, pos);
  GpsFix fix;
  fix.latitude = DegreesMinutesToMicro(lat);
  fix.longitude = DegreesMinutesToMicro(lng);
  fix.speed = ClampTo<int16_t>(std::trunc(speed * 10));
  return fix;
}

// ---------------------------------------------------------------------------
// The scan

namespace {

// Where the bytes come from: an open file or a buffer in memory.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to n bytes at offset; returns how many were copied.
  virtual size_t Read(uint64_t offset, uint8_t* dst, size_t n) const = 0;
  // Reads n bytes and zero-fills what lies past the end.
  void ReadPadded(uint64_t offset, uint8_t* dst, size_t n) const {
    size_t got = offset < Size() ? Read(offset, dst, n) : 0;
    std::memset(dst + got, 0, n - got);
  }
};

class FileSource final : public Source {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  uint64_t Size() const override { return size_; }
  size_t Read(uint64_t offset, uint8_t* dst, size_t n) const override {
    if (offset >= size_) return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
      if (r <= 0) break;
      done += static_cast<size_t>(r);
    }
    return done;
  }

 private:
  int fd_;
  uint64_t size_;
};

class MemorySource final : public Source {
 public:
  explicit MemorySource(std::span<const uint8_t> b) : b_(b) {}
  uint64_t Size() const override { return b_.size(); }
  size_t Read(uint64_t offset, uint8_t* dst, size_t n) const override {
    if (offset >= b_.size()) return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, b_.size() - offset));
    std::memcpy(dst, b_.data() + offset, n);
    return n;
  }

 private:
  std::span<const uint8_t> b_;
};

bool Is(const uint8_t* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }
uint64_t Rounded(uint32_t size) { return uint64_t{size} + (size & 1); }

constexpr uint32_t kMaxHdrlBytes = 1 << 16;  // stream headers are small

// Stream formats from the hdrl list held in `h`. Stream n is the n-th strl;
// streams 0 and 1 are the front and rear video, the first sound stream is
// the sound.
void ReadStreamFormats(std::span<const uint8_t> h, StreamFormats& f) {
  int stream = 0;
  size_t pos = 0;
  while (pos + 8 <= h.size()) {
    uint32_t size = Le32(&h[pos + 4]);
    size_t end = static_cast<size_t>(std::min<uint64_t>(h.size(), pos + 8 + uint64_t{size}));
    if (Is(&h[pos], "LIST") && pos + 12 <= end && Is(&h[pos + 8], "strl")) {
      char type[4] = {};
      size_t p = pos + 12;
      while (p + 8 <= end) {
        uint32_t sz = Le32(&h[p + 4]);
        size_t dataEnd = static_cast<size_t>(std::min<uint64_t>(end, p + 8 + uint64_t{sz}));
        const uint8_t* d = &h[p + 8];
        size_t len = dataEnd - (p + 8);
        if (Is(&h[p], "strh") && len >= 28) {
          std::memcpy(type, d, 4);
          if (stream < 2 && std::memcmp(type, "vids", 4) == 0) {
            f.video[stream].scale = Le32(d + 20);
            f.video[stream].rate = Le32(d + 24);
          }
        } else if (Is(&h[p], "strf")) {
          if (stream < 2 && std::memcmp(type, "vids", 4) == 0 && len >= 12) {
            f.hasVideo[stream] = true;
            f.video[stream].width = static_cast<int32_t>(Le32(d + 4));
            int32_t height = static_cast<int32_t>(Le32(d + 8));
            f.video[stream].height = height == std::numeric_limits<int32_t>::min() ? 0 : std::abs(height);
          } else if (std::memcmp(type, "auds", 4) == 0 && !f.hasSound && len >= 16) {
            f.hasSound = true;
            f.sound.formatTag = Le16(d);
            f.sound.channels = Le16(d + 2);
            f.sound.sampleRate = Le32(d + 4);
            f.sound.blockAlign = Le16(d + 12);
            f.sound.bitsPerSample = Le16(d + 14);
          }
        }
        p += 8 + Rounded(sz);
      }
      ++stream;
    }
    pos += 8 + Rounded(size);
  }
}

struct StreamScan {
  int32_t sequence = -1;
  bool keySeen = false;
};

// What the walk over the stream data carries from chunk to chunk.
struct MoviWalk {
  StreamScan stream[2];
  int second = 0;                // telemetry second the chunks belong to
  int64_t lastTime = -1;         // Unix time of that second; -1 before the first motion record
  int perSecond[3] = {0, 0, 0};  // front, rear, sound units of the current second
  int firstSecond[3] = {0, 0, 0};
};

// The chunk head at the walk's position: id, size and the first 8 data bytes.
struct ChunkHead {
  uint8_t bytes[16];
  uint32_t size;
  uint64_t data;  // file offset of the chunk data
};

// True when the file begins with a RIFF "AVI " head.
bool IsAviFile(const Source& src) {
  uint8_t head[12];
  if (src.Size() < 12) return false;
  src.ReadPadded(0, head, 12);
  return Is(head, "RIFF") && Is(head + 8, "AVI ");
}

// Reads the stream formats of one hdrl list whose list type lies at
// `listType`, at most kMaxHdrlBytes of it and nothing past the file's end.
void ReadHdrl(const Source& src, uint64_t listType, uint32_t listSize, StreamFormats& formats) {
  const uint64_t fileSize = src.Size();
  uint64_t avail = std::min<uint64_t>(
      {uint64_t{listSize} - 4, fileSize - std::min(fileSize, listType + 4), kMaxHdrlBytes});
  std::unique_ptr<uint8_t[]> h(new uint8_t[avail + 1]);
  size_t got = src.Read(listType + 4, h.get(), static_cast<size_t>(avail));
  ReadStreamFormats({h.get(), got}, formats);
}

// Walks the top-level chunks after the RIFF head, reading the stream formats
// of hdrl on the way, and returns the offset of the first chunk of the movi
// list; 0 when there is none before idx1 or the end of the file.
uint64_t FindMovi(const Source& src, StreamFormats& formats) {
  const uint64_t fileSize = src.Size();
  uint8_t head[12];
  for (uint64_t off = 12; off + 8 <= fileSize;) {
    src.ReadPadded(off, head, 12);
    uint32_t size = Le32(head + 4);
    if (Is(head, "idx1")) break;
    if (Is(head, "LIST")) {
      if (Is(head + 8, "movi")) return off + 12;
      if (Is(head + 8, "hdrl") && size >= 4) ReadHdrl(src, off + 8, size, formats);
    }
    off += 8 + Rounded(size);
  }
  return 0;
}

// Stores the parameter sets that open stream s, the bytes of the chunk up
// to its first slice, and returns the NAL type of that slice: 5 (IDR), 1, or
// 0 when none begins in the stored bytes.
int StoreParameterSets(const Source& src, const ChunkHead& c, int s, RecordingIndex& index) {
  uint8_t* hdr = index.header[s];
  std::memset(hdr, 0, kHeaderBytes);
  src.Read(c.data, hdr, std::min<size_t>(kHeaderBytes, c.size));
  int found = 240, foundNal = 0;
  for (int i = 8; i < 240; ++i) {
    if (hdr[i] == 0 && hdr[i + 1] == 0 && hdr[i + 2] == 0 && hdr[i + 3] == 1) {
      int t = hdr[i + 4] & 0x1F;
      if (t == 5 || t == 1) {
        found = i;
        foundNal = t;
        break;
      }
    }
  }
  index.headerLen[s] = found;
  return foundNal;
}

// Appends an entry to stream s while there is room and the offset fits the
// entry's 32 bits. The time field holds the sequence number until timed.
void AddVideoEntry(RecordingIndex& index, int s, int32_t sequence, uint16_t key, const ChunkHead& c) {
  if (index.videoCount[s] >= kVideoCapacity || c.data > std::numeric_limits<uint32_t>::max()) return;
  index.videoEntries[s][index.videoCount[s]++] = {static_cast<uint16_t>(sequence), key, c.size,
                                                  static_cast<uint32_t>(c.data)};
}

// A video unit of stream s (0 front, 1 rear). Units before the parameter
// sets, and after them until the first key unit, are counted but not indexed.
void AddVideoChunk(const Source& src, const ChunkHead& c, int s, MoviWalk& walk, RecordingIndex& index) {
  StreamScan& st = walk.stream[s];
  ++st.sequence;
  ++walk.perSecond[s];
  const int nal = c.bytes[12] & 0x1F;
  if (index.headerLen[s] == 0) {
    if (nal == 7 && StoreParameterSets(src, c, s, index) == 5) {
      AddVideoEntry(index, s, st.sequence, kKeyUnit, c);
      st.keySeen = true;
    }
  } else if (st.keySeen || nal == 5) {
    st.keySeen = true;
    AddVideoEntry(index, s, st.sequence, (nal == 7 || nal == 5) ? kKeyUnit : 0, c);
  }
}

void AddSoundChunk(const ChunkHead& c, MoviWalk& walk, RecordingIndex& index) {
  ++walk.perSecond[2];
  const uint64_t rounded = Rounded(c.size);
  // A block too large for its 16-bit size field cannot be played whole;
  // it is left out rather than played cut.
  if (index.soundCount < kSoundCapacity && rounded <= 0xFFFF &&
      c.data <= std::numeric_limits<uint32_t>::max())
    index.soundEntries[index.soundCount++] = {0, static_cast<uint16_t>(rounded),
                                              static_cast<uint32_t>(c.data)};
}

// A motion record: a new Unix time starts the next second (the counts of the
// first second are kept for the timing), and the sample with the largest
// magnitude is the second's peak. Returns false when the record would begin
// a second past kMaxSeconds, which ends the scan.
bool AddMotionSample(const MotionSample& m, MoviWalk& walk, RecordingIndex& index) {
  if (static_cast<int64_t>(m.unixTime) != walk.lastTime) {
    if (walk.lastTime != -1) {
      if (walk.second + 1 >= kMaxSeconds) return false;  // a 65th second ends the scan
      ++walk.second;
      if (walk.second == 1) std::copy(walk.perSecond, walk.perSecond + 3, walk.firstSecond);
    }
    walk.lastTime = m.unixTime;
    walk.perSecond[0] = walk.perSecond[1] = walk.perSecond[2] = 0;
  }
  const int second = walk.second;
  index.unixTime[second] = static_cast<int32_t>(m.unixTime);
  const GPeak& p = index.gPeak[second];
  int64_t mag = int64_t{m.x} * m.x + int64_t{m.y} * m.y + int64_t{m.z} * m.z;
  int64_t peak = int64_t{p.x} * p.x + int64_t{p.y} * p.y + int64_t{p.z} * p.z;
  if (mag > peak) index.gPeak[second] = {m.x, m.y, m.z};
  return true;
}

// A telemetry record of at most kMaxTelemetryBytes: a motion sample, or the
// second's first GPS fix. Returns false when the scan ends here.
bool AddTelemetryChunk(const Source& src, const ChunkHead& c, MoviWalk& walk, RecordingIndex& index) {
  if (c.size > kMaxTelemetryBytes) return true;
  uint8_t record[kMaxTelemetryBytes];
  size_t got = src.Read(c.data, record, c.size);
  std::span<const uint8_t> rec(record, got);
  MotionSample m;
  if (ParseMotionRecord(rec, m)) return AddMotionSample(m, walk, index);
  if (got >= 1 && rec[0] == 'G' && !index.gps[walk.second])
    index.gps[walk.second] = std::make_unique<GpsFix>(ParseGpsRecord(rec));
  return true;
}

// Walks the chunks of the movi list from `moviStart` until the end of the
// file, a chunk that overruns it, a chunk of no known kind or the last
// second, indexing video, sound and telemetry.
void WalkMovi(const Source& src, uint64_t moviStart, MoviWalk& walk, RecordingIndex& index) {
  const uint64_t fileSize = src.Size();
  ChunkHead c;
  for (uint64_t off = moviStart; off + 8 <= fileSize;) {
    if (walk.second >= kMaxSeconds) break;
    src.ReadPadded(off, c.bytes, 16);
    c.size = Le32(c.bytes + 4);
    const uint64_t next = off + 8 + Rounded(c.size);
    if (next > fileSize) break;
    c.data = off + 8;
    // Bytes of the first 8 that lie past the chunk's own data count as zero.
    if (c.size < 8) std::memset(c.bytes + 8 + c.size, 0, 8 - c.size);
    const char kind = static_cast<char>(c.bytes[2]);
    if (kind == 'd') {
      const int s = c.bytes[1] - '0';
      if (s == 0 || s == 1) AddVideoChunk(src, c, s, walk, index);
    } else if (kind == 'w') {
      AddSoundChunk(c, walk, index);
    } else if (kind == 't') {
      if (!AddTelemetryChunk(src, c, walk, index)) break;
    } else {
      break;
    }
    off = next;
  }
}

// Turns the sequence numbers of the entries into times in ms, clamped to the
// seconds the file covers. Sound blocks are 40 ms apart; pictures are spaced
// by the units of the full seconds, and both start late by what the first
// (partial) second lacks.
void TimeEntries(const MoviWalk& walk, RecordingIndex& index) {
  const int second = walk.second;
  index.secondCount = second + 1;
  const double cap = index.secondCount * 1000.0 - 1;
  const int fullSeconds = second - 1;  // seconds between the first and the last
  auto timeOf = [cap](double t) {
    return static_cast<uint16_t>(std::min(std::max(std::trunc(t), 0.0), cap));
  };

  const double soundOffset = fullSeconds > 0 ? std::max(0, (25 - walk.firstSecond[2]) * 40) : 0;
  for (int i = 0; i < index.soundCount; ++i) index.soundEntries[i].time = timeOf(soundOffset + 40.0 * i);

  for (int s = 0; s < 2; ++s) {
    double interval = 1000.0 / 15, offset = 0;
    // Units of the full seconds between the first and the last: the unit
    // count (last sequence number + 1) less the first and last seconds'
    // units. Counting one unit short would space the pictures 1/(15 x M)
    // too far apart and let them fall behind the sound all through the
    // file. A file of a couple of seconds, or one whose middle holds no
    // units, runs at 15 per second.
    const int units = walk.stream[s].sequence + 1 - walk.perSecond[s] - walk.firstSecond[s];
    if (fullSeconds > 0 && units > 0) {
      interval = 1000.0 / (static_cast<double>(units) / fullSeconds);
      offset = std::max(0.0, (15 - walk.firstSecond[s]) * interval);
    }
    for (int i = 0; i < index.videoCount[s]; ++i) {
      VideoIndexEntry& e = index.videoEntries[s][i];
      e.time = timeOf(e.time * interval + offset);
    }
  }
}

bool Scan(const Source& src, RecordingIndex& index) {
  if (!IsAviFile(src)) return false;
  const uint64_t moviStart = FindMovi(src, index.formats);
  MoviWalk walk;
  WalkMovi(src, moviStart, walk, index);
  TimeEntries(walk, index);
  return true;
}

}  // namespace

bool IndexRecordingBytes(std::span<const uint8_t> bytes, RecordingIndex& index) {
  index.Clear();
  MemorySource src(bytes);
  if (Scan(src, index)) return true;
  index.Clear();
  return false;
}

RecordingFile OpenRecordingBytes(std::span<const uint8_t> bytes, RecordingIndex& index,
                                 RecordingFile* current) {
  if (current) current->Close();
  if (!IndexRecordingBytes(bytes, index)) return {};
  return RecordingFile(bytes);
}

RecordingFile OpenRecording(const std::string& path, RecordingIndex& index, RecordingFile* current) {
  if (current) current->Close();
  index.Clear();
  // O_NONBLOCK: a FIFO named like a recording must not wait for a writer;
  // the check below turns it away. Regular files ignore the flag.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {};
  }
  RecordingFile file(fd, static_cast<uint64_t>(st.st_size));
  FileSource src(fd, file.Size());
  if (!Scan(src, index)) {
    index.Clear();
    return {};
  }
  return file;
}

bool HasKeyUnit(const RecordingIndex& index) {
  for (int s = 0; s < 2; ++s) {
    const int count = std::clamp<int32_t>(index.videoCount[s], 0, kVideoCapacity);
    for (int i = 0; i < count; ++i)
      if (index.videoEntries[s][i].key == kKeyUnit) return true;
  }
  return false;
}

}  // namespace orvia
