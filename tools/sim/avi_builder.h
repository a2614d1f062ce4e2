// Builds a recording the way the recorder lays it out: RIFF "AVI " with an
// hdrl list (avih, one strl per stream), a JUNK chunk, the movi list of
// interleaved chunks and an idx1 index at the end. Kept in memory; a one
// minute recording is a few megabytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvia::sim {

// What the stream headers describe.
struct AviStreams {
  int fps = 15;                     // both video streams
  int videoWidth[2] = {1280, 640};  // front, rear
  int videoHeight[2] = {720, 360};
  uint32_t soundSampleRate = 8000;   // 16-bit mono PCM
  uint32_t telemetryPerSecond = 11;  // records per second, for the text stream's rate
};

class AviBuilder {
 public:
  // Appends a chunk to movi (padded to even) with its idx1 entry; `id` is the
  // four-character chunk id such as "00dc".
  void AddChunk(const char* id, std::span<const uint8_t> data, bool key);
  // The whole file. Counts and buffer sizes of the headers come from the
  // chunks added.
  std::vector<uint8_t> Finish(const AviStreams& streams, int seconds) const;

 private:
  struct IndexEntry {
    uint32_t id;
    uint32_t flags;
    uint32_t offset;  // of the chunk head, from the "movi" list type
    uint32_t size;
  };
  std::vector<uint8_t> movi_;  // chunks, as they follow the "movi" list type
  std::vector<IndexEntry> index_;
  uint32_t count_[4] = {};    // chunks per stream
  uint32_t bytes_[4] = {};    // data bytes per stream
  uint32_t largest_[4] = {};  // largest chunk per stream
};

constexpr uint32_t FourCC(const char* s) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

}  // namespace orvia::sim
