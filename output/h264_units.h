// The pieces of an H.264 byte stream a clip needs: its NAL units, the
// parameter sets of a stored header and the picture size a sequence
// parameter set gives. Plain logic over untrusted bytes: every read is
// bounded by the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orvia {

// Larger chunks are not pictures of this recorder.
constexpr uint32_t kMaxUnitBytes = 16u << 20;
// Larger pictures are refused before decoding.
constexpr int64_t kMaxPixels = 4096 * 4096;
constexpr int kNalTypeIdr = 5;

// Calls `take(const uint8_t* nal, size_t size)` for each NAL unit of an
// Annex B byte stream, without its start code and trailing zero bytes.
template <typename Take>
void ForEachNal(const uint8_t* p, size_t n, Take&& take) {
  auto findStart = [&](size_t from) {
    for (size_t k = from; k + 3 <= n; ++k) {
      if (p[k] == 0 && p[k + 1] == 0 && p[k + 2] == 1) return k;
    }
    return n;
  };
  for (size_t s = findStart(0); s < n;) {
    const size_t begin = s + 3;
    const size_t next = findStart(begin);
    size_t end = next;
    while (end > begin && p[end - 1] == 0) --end;
    if (end > begin) take(p + begin, end - begin);
    s = next;
  }
}

// The first sequence and picture parameter sets of a stored header; empty
// spans for those it lacks.
struct ParameterSets {
  std::span<const uint8_t> sps, pps;
};
ParameterSets FindParameterSets(std::span<const uint8_t> header);

// Whether two headers hold the same first SPS and PPS, byte for byte.
bool SameParameterSets(std::span<const uint8_t> a, std::span<const uint8_t> b);

// The size of the pictures (after cropping) an SPS (its NAL unit, header
// byte first) describes; nothing when it cannot be read.
struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const PictureSize&) const = default;
};
std::optional<PictureSize> SpsPictureSize(std::span<const uint8_t> sps);

}  // namespace orvia
