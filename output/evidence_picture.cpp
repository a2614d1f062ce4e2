#include "output/evidence_picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "output/h264_units.h"
#include "playback/recording_index.h"
#include "player/video_decoder.h"

namespace orvia {
namespace {

// The entry on screen at `ms`, and the key entry it decodes from; false when
// the stream has no key entry at or before it.
bool PickEntries(const RecordingIndex& index, int stream, int ms, int& key, int& target) {
  const int count = std::clamp<int32_t>(index.videoCount[stream], 0, kVideoCapacity);
  const VideoIndexEntry* e = index.videoEntries[stream].get();
  if (count == 0 || !e) return false;
  target = 0;
  for (int i = 0; i < count && e[i].time <= ms; ++i) target = i;
  key = -1;
  for (int i = target; i >= 0 && key < 0; --i)
    if (e[i].key == kKeyUnit) key = i;
  // A stream whose first key picture comes after `ms` shows that one.
  for (int i = target + 1; i < count && key < 0; ++i)
    if (e[i].key == kKeyUnit) key = target = i;
  return key >= 0;
}

}  // namespace

bool DecodePictureAt(const std::string& path, int stream, int ms, player::RgbImage& out, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (stream < 0 || stream > 1) return fail("no such camera");
  RecordingIndex index;
  const RecordingFile file = OpenRecording(path, index);
  if (!file.IsOpen()) return fail(path + ": cannot be opened or is not an AVI recording");
  int key = 0, target = 0;
  if (!PickEntries(index, stream, ms, key, target)) return fail("no key picture of this camera");
  player::VideoDecoder decoder;
  if (!decoder.Open({.threads = 1, .maxPixels = kMaxPixels})) return fail("no H.264 decoder");
  AVPacket* packet = av_packet_alloc();
  if (!packet) return fail("out of memory");
  player::LatestFrame last;
  const int headerLen = std::clamp<int32_t>(index.headerLen[stream], 0, kHeaderBytes);
  std::vector<uint8_t> unit;
  for (int i = key; i <= target; ++i) {
    const VideoIndexEntry& e = index.videoEntries[stream][i];
    if (e.size < 5 || e.size > kMaxUnitBytes) continue;  // not a picture, as playback skips it
    // A key unit that starts with its picture rather than the parameter sets
    // gets the stored ones in front, as the player's feeder gives them.
    unit.assign(headerLen + e.size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    if (!file.ReadAt(e.offset, {unit.data() + headerLen, e.size})) {
      av_packet_free(&packet);
      return fail(path + ": the recording cannot be read");
    }
    const bool withHeader = headerLen > 0 && (unit[headerLen + 4] & 0x1f) == kNalTypeIdr;
    if (withHeader) std::memcpy(unit.data(), index.header[stream], static_cast<size_t>(headerLen));
    packet->data = unit.data() + (withHeader ? 0 : headerLen);
    packet->size = static_cast<int>(e.size + (withHeader ? headerLen : 0));
    decoder.Decode(packet, last);
  }
  decoder.Drain(last);
  av_packet_free(&packet);
  if (!last.count() > 0) return fail("the pictures of this camera do not decode");
  const AVFrame& frame = last.frame();
  out.width = frame.width;
  out.height = frame.height;
  out.pixels.assign(static_cast<size_t>(frame.width) * frame.height * 4, 0);
  player::FrameConverter converter;
  if (!converter.Convert(frame, frame.width, frame.height, out.pixels.data(), frame.width * 4))
    return fail("the picture cannot be converted");
  return true;
}

}  // namespace orvia
