// The player's decode path on any bytes taken as H.264 units: the decode
// worker (queue, libavcodec, picture hand-over), the frame converter at
// changing view sizes, and the copy-out, with units that change the picture
// size mid-stream. Nothing may fault and every copy stays inside its buffer.
//
// Input: records of [2-byte little-endian length][unit], the first byte of
// each length also choosing the view size; a zero length asks for a drain.
// fuzz/make_decode_seeds.py writes the seeds.
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "player/decode_worker.h"

namespace {

// Pictures above this are refused by the decoder when it reads their
// parameter sets, before it allocates for them: the fuzzer's time goes to
// the many small pictures, not to a few huge ones.
// The seeds are at most 64 x 48; this leaves room for the fuzzer to grow
// them while keeping every picture buffer small.
constexpr int64_t kMaxPixels = 128 * 96;

// The copy-out box: seeds above it are scaled down, seeds within it copied
// at their own size.
constexpr int kCopyW = 40;
constexpr int kCopyH = 30;

// One worker for the whole run, its decoder thread started once; each input
// begins with Reset, which opens a new decoder, so the outcome of an input
// does not depend on the ones before it.
orvia::player::DecodeWorker* Worker() {
  static orvia::player::DecodeWorker* worker = [] {
    av_log_set_level(AV_LOG_QUIET);
    orvia::player::WorkerOptions options;
    // Room for every unit of an input: the feeding thread seldom waits.
    options.queueCapacity = 32;
    options.initialUnitBytes = 4096;
    options.decoder.maxPixels = kMaxPixels;
    auto* w = new orvia::player::DecodeWorker(options);
    if (!w->Start()) std::abort();
    return w;
  }();
  return worker;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvia::player::DecodeWorker& worker = *Worker();
  if (!worker.Reset()) std::abort();
  worker.SetDisplaySize(64, 48);
  size_t pos = 0;
  int units = 0;
  while (pos + 2 <= size && units < 24) {
    const size_t len = data[pos] | (size_t{data[pos + 1]} << 8);
    const uint8_t shape = data[pos];
    pos += 2;
    if (len == 0) {
      worker.WaitForRoom();
      (void)worker.RequestDrain();
      continue;
    }
    const size_t take = std::min(len, size - pos);
    worker.WaitForRoom();
    (void)worker.Submit({data + pos, take}, take > 4 && (data[pos + 4] & 0x1F) == 7);
    pos += take;
    ++units;
    if (shape % 5 == 0) worker.SetDisplaySize(1 + shape % 97, 1 + shape % 61);
    if (shape % 7 == 0) worker.SetShowing(shape % 2 == 0);
  }
  worker.WaitIdle();
  (void)worker.ReadShownImage([](const orvia::player::RgbImage& image) {
    if (image.pixels.size() < static_cast<size_t>(image.width) * image.height * 4) std::abort();
  });
  worker.HoldPicture();
  int w = 0, h = 0;
  static std::vector<uint8_t> copy(kCopyW * kCopyH * 4);
  (void)worker.CopyNewest(copy.data(), kCopyW, kCopyH, true, &w, &h);
  if (w < 0 || h < 0 || w > kCopyW || h > kCopyH) std::abort();
  return 0;
}
