// The player's decode path on any bytes taken as H.264 units: the decode
// worker (queue, libavcodec, picture hand-over), the frame converter at
// changing view sizes, and the copy-out, with units that change the picture
// size mid-stream. Nothing may fault and every copy stays inside its buffer.
//
// Input: records of [2-byte little-endian length][unit], the first byte of
// each length also choosing the view size; a zero length asks for a drain.
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "player/decode_worker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
  }();
  (void)quiet;
  orvia::player::WorkerOptions options;
  options.queueCapacity = 4;
  options.initialUnitBytes = 4096;
  orvia::player::DecodeWorker worker(options);
  if (!worker.Start()) return 0;
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
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4) std::abort();
  });
  worker.HoldPicture();
  int w = 0, h = 0;
  std::vector<uint8_t> copy(160 * 120 * 4);
  (void)worker.CopyNewest(copy.data(), 160, 120, true, &w, &h);
  if (w < 0 || h < 0 || w > 160 || h > 120) std::abort();
  return 0;
}
