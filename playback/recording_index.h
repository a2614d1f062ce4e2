// The index of one recording file: where each video unit and sound block
// lies and when it is due, plus the per-second telemetry (Unix time, peak
// acceleration, first GPS fix). Built by OpenRecording from chunk heads only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "player/player_contract.h"

namespace orvia {

constexpr int kVideoCapacity = 2100;      // entries per video stream
constexpr int kSoundCapacity = 1600;      // sound entries
constexpr int kMaxSeconds = 64;           // seconds one file may cover
constexpr int kHeaderBytes = 256;         // stored parameter-set header per stream
constexpr int kMaxTelemetryBytes = 4088;  // largest telemetry record read

constexpr uint16_t kKeyUnit = 7;

struct VideoIndexEntry {
  uint16_t time;    // ms from the start of the file (sequence number until timed)
  uint16_t key;     // kKeyUnit when the unit begins with an SPS or an IDR slice
  uint32_t size;    // chunk data length as stored in the chunk head
  uint32_t offset;  // file offset of the chunk data
};
static_assert(sizeof(VideoIndexEntry) == 12);

struct SoundIndexEntry {
  uint16_t time;    // ms from the start of the file
  uint16_t size;    // chunk length rounded up to even
  uint32_t offset;  // file offset of the chunk data
};
static_assert(sizeof(SoundIndexEntry) == 8);

struct GpsFix {
  int32_t latitude;   // millionths of a degree, negative = south
  int32_t longitude;  // millionths of a degree, negative = west
  int16_t speed;      // recorded speed times 10
};

struct GPeak {
  int16_t x = 0, y = 0, z = 0;  // thousandths of g
};

// The sound stream's header (hdrl): SoundFormat, in the player contract.

struct VideoFormat {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t rate = 0;   // dwRate of the stream header
  uint32_t scale = 0;  // dwScale of the stream header
};

struct StreamFormats {
  bool hasSound = false;
  SoundFormat sound;
  bool hasVideo[2] = {false, false};
  VideoFormat video[2];
};

struct RecordingIndex {
  int32_t soundCount = 0;
  std::unique_ptr<SoundIndexEntry[]> soundEntries;  // kSoundCapacity
  int32_t videoCount[2] = {0, 0};
  std::unique_ptr<VideoIndexEntry[]> videoEntries[2];  // kVideoCapacity each
  int32_t secondCount = 0;
  int32_t unixTime[kMaxSeconds] = {};
  GPeak gPeak[kMaxSeconds] = {};
  std::unique_ptr<GpsFix> gps[kMaxSeconds];
  int32_t headerLen[2] = {0, 0};
  uint8_t header[2][kHeaderBytes] = {};

  StreamFormats formats;  // read from hdrl, beside the fields above

  RecordingIndex();
  // Back to the cleared state: counts 0, no fixes, no headers.
  void Clear();
};

// An open recording file, read with positioned reads. Owns the descriptor.
// Or a recording already in memory (fuzzing, tests): the bytes are borrowed
// and must outlive every read.
class RecordingFile {
 public:
  RecordingFile() = default;
  RecordingFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  explicit RecordingFile(std::span<const uint8_t> bytes)
      : bytes_(bytes), inMemory_(true), size_(bytes.size()) {}
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;
  RecordingFile(RecordingFile&& o) noexcept;
  RecordingFile& operator=(RecordingFile&& o) noexcept;

  bool IsOpen() const { return fd_ >= 0 || inMemory_; }
  uint64_t Size() const { return size_; }
  void Close();
  // Reads exactly out.size() bytes at offset; false when any part lies past
  // the end of the file or the read fails. Any thread; no shared position.
  bool ReadAt(uint64_t offset, std::span<uint8_t> out) const;

 private:
  int fd_ = -1;
  std::span<const uint8_t> bytes_;
  bool inMemory_ = false;
  uint64_t size_ = 0;
};

// Closes `current`, clears `index`, indexes the file at `path` and returns it
// open. On failure (cannot open, not RIFF/AVI) returns a closed file and
// leaves the index cleared.
RecordingFile OpenRecording(const std::string& path, RecordingIndex& index, RecordingFile* current = nullptr);

// Whether either video stream of the index holds a key unit: whether the
// recording has a picture to show.
bool HasKeyUnit(const RecordingIndex& index);

// Same scan over bytes already in memory (fuzzing, tests). Returns false when
// the bytes are not an AVI.
bool IndexRecordingBytes(std::span<const uint8_t> bytes, RecordingIndex& index);

// OpenRecording over bytes in memory: the file returned reads from `bytes`,
// which must outlive it.
RecordingFile OpenRecordingBytes(std::span<const uint8_t> bytes, RecordingIndex& index,
                                 RecordingFile* current = nullptr);

// Telemetry record parsers; `data` starts at the record's first data byte
// ('M' or 'G').
struct MotionSample {
  int16_t x, y, z;    // thousandths of g
  uint32_t unixTime;  // seconds
};
bool ParseMotionRecord(std::span<const uint8_t> data, MotionSample& out);
GpsFix ParseGpsRecord(std::span<const uint8_t> data);

}  // namespace orvia
