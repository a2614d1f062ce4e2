#include "output/h264_units.h"

#include <algorithm>
#include <array>

namespace orvia {

namespace {

constexpr size_t kMaxSpsBytes = 512;  // more than any SPS of this recorder; a longer one is read that far
constexpr uint32_t kMaxMacroblocks = 1024;  // 16384 pixels a side

// Reads bits of an RBSP, most significant first. Past the end every read
// fails and keeps failing.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), bits_(size * 8) {}
  bool ok() const { return ok_; }
  uint32_t Bit() {
    if (at_ >= bits_) {
      ok_ = false;
      return 0;
    }
    const uint32_t b = (data_[at_ / 8] >> (7 - at_ % 8)) & 1u;
    ++at_;
    return b;
  }
  uint32_t Bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }
  // Exp-Golomb: at most 31 leading zeros, as the standard allows.
  uint32_t Ue() {
    int zeros = 0;
    while (ok_ && Bit() == 0) {
      if (++zeros > 31) {
        ok_ = false;
        return 0;
      }
    }
    if (!ok_) return 0;
    return static_cast<uint32_t>((uint64_t{1} << zeros) - 1 + Bits(zeros));
  }
  int32_t Se() {
    const uint32_t k = Ue();
    return (k & 1) ? static_cast<int32_t>((k + 1) / 2) : -static_cast<int32_t>(k / 2);
  }

 private:
  const uint8_t* data_;
  size_t bits_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool HasChromaFormat(uint32_t profile) {
  static const uint32_t kProfiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
  return std::find(std::begin(kProfiles), std::end(kProfiles), profile) != std::end(kProfiles);
}

void SkipScalingList(BitReader& r, int size) {
  int last = 8, next = 8;
  for (int j = 0; j < size && r.ok(); ++j) {
    if (next != 0) next = (last + r.Se() + 256) % 256;
    last = next == 0 ? last : next;
  }
}

// The fields of the SPS before the picture size that size depends on.
struct SpsHead {
  uint32_t chromaFormat = 1;
  bool separatePlanes = false;
};

bool ReadSpsHead(BitReader& r, SpsHead& head) {
  const uint32_t profile = r.Bits(8);
  r.Bits(16);  // constraint flags, level
  r.Ue();      // seq_parameter_set_id
  if (HasChromaFormat(profile)) {
    head.chromaFormat = r.Ue();
    if (head.chromaFormat > 3) return false;
    if (head.chromaFormat == 3) head.separatePlanes = r.Bit() != 0;
    r.Ue();   // bit depth of luma
    r.Ue();   // and of chroma
    r.Bit();  // transform bypass
    if (r.Bit()) {
      for (int i = 0; i < (head.chromaFormat != 3 ? 8 : 12) && r.ok(); ++i)
        if (r.Bit()) SkipScalingList(r, i < 6 ? 16 : 64);
    }
  }
  r.Ue();  // log2 of the largest frame number
  const uint32_t pocType = r.Ue();
  if (pocType == 0) {
    r.Ue();
  } else if (pocType == 1) {
    r.Bit();
    r.Se();
    r.Se();
    const uint32_t cycle = r.Ue();
    if (cycle > 255) return false;
    for (uint32_t i = 0; i < cycle && r.ok(); ++i) r.Se();
  } else if (pocType > 2) {
    return false;
  }
  r.Ue();   // reference frames
  r.Bit();  // gaps in frame numbers allowed
  return r.ok();
}

}  // namespace

ParameterSets FindParameterSets(std::span<const uint8_t> header) {
  ParameterSets found;
  ForEachNal(header.data(), header.size(), [&](const uint8_t* nal, size_t size) {
    const int type = nal[0] & 0x1f;
    if (type == 7 && found.sps.empty()) found.sps = {nal, size};
    if (type == 8 && found.pps.empty()) found.pps = {nal, size};
  });
  return found;
}

bool SameParameterSets(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  const ParameterSets x = FindParameterSets(a), y = FindParameterSets(b);
  return std::ranges::equal(x.sps, y.sps) && std::ranges::equal(x.pps, y.pps);
}

std::optional<PictureSize> SpsPictureSize(std::span<const uint8_t> sps) {
  if (sps.size() < 2 || (sps[0] & 0x1f) != 7) return std::nullopt;
  // The RBSP: emulation prevention bytes (00 00 03) taken out.
  std::array<uint8_t, kMaxSpsBytes> rbsp;
  size_t n = 0;
  int zeros = 0;
  for (size_t i = 1; i < sps.size() && n < rbsp.size(); ++i) {
    if (zeros >= 2 && sps[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = sps[i] == 0 ? zeros + 1 : 0;
    rbsp[n++] = sps[i];
  }
  BitReader r(rbsp.data(), n);
  SpsHead head;
  if (!ReadSpsHead(r, head)) return std::nullopt;
  const uint32_t widthMbs = r.Ue() + 1;
  const uint32_t heightUnits = r.Ue() + 1;
  const uint32_t frameMbsOnly = r.Bit();
  if (!frameMbsOnly) r.Bit();       // adaptive frame/field
  r.Bit();                          // direct 8x8 inference
  uint32_t crop[4] = {0, 0, 0, 0};  // left, right, top, bottom
  if (r.Bit())
    for (uint32_t& c : crop) c = r.Ue();
  if (!r.ok() || widthMbs > kMaxMacroblocks || heightUnits > kMaxMacroblocks) return std::nullopt;
  const bool mono = head.chromaFormat == 0 || head.separatePlanes;
  const uint32_t unitX = mono ? 1 : (head.chromaFormat == 3 ? 1 : 2);
  const uint32_t unitY = (mono ? 1 : (head.chromaFormat == 1 ? 2 : 1)) * (2 - frameMbsOnly);
  const uint64_t width = uint64_t{widthMbs} * 16, height = uint64_t{heightUnits} * 16 * (2 - frameMbsOnly);
  const uint64_t cropX = (uint64_t{crop[0]} + crop[1]) * unitX, cropY = (uint64_t{crop[2]} + crop[3]) * unitY;
  if (cropX >= width || cropY >= height) return std::nullopt;
  return PictureSize{static_cast<int>(width - cropX), static_cast<int>(height - cropY)};
}

}  // namespace orvia
