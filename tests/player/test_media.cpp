#include "tests/player/test_media.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/md5.h>
}

namespace orvia::player::testing {

std::string MakeTempDir(const char* tag) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string("orvia-") + tag + "-XXXXXX")).string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool MakeVideo(const std::string& path, const std::string& arguments) {
  return Run("ffmpeg -hide_banner -nostdin -loglevel error -y " + arguments + " '" + path + "'");
}

std::vector<Unit> ReadVideoUnits(const std::string& path, int n) {
  std::vector<Unit> units;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return units;
  int index = -1;
  for (unsigned i = 0, seen = 0; i < fmt->nb_streams; ++i) {
    if (fmt->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    if (static_cast<int>(seen++) == n) {
      index = static_cast<int>(i);
      break;
    }
  }
  AVPacket* pkt = av_packet_alloc();
  while (index >= 0 && av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == index && pkt->size > 0) {
      units.push_back(
          {std::vector<uint8_t>(pkt->data, pkt->data + pkt->size), (pkt->flags & AV_PKT_FLAG_KEY) != 0});
    }
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  avformat_close_input(&fmt);
  return units;
}

std::vector<std::string> FfmpegFrameMd5(const std::string& path, int n) {
  std::vector<std::string> sums;
  const std::string cmd = "ffmpeg -hide_banner -nostdin -loglevel error -i '" + path +
                          "' -map 0:v:" + std::to_string(n) +
                          " -vsync passthrough -pix_fmt yuv420p -f framemd5 - 2>/dev/null";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return sums;
  // Lines "stream, dts, pts, duration, size, md5"; '#' starts a comment.
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    const std::string s(line);
    const size_t comma = s.rfind(", ");
    if (s[0] != '#' && comma != std::string::npos) sums.push_back(s.substr(comma + 2, 32));
  }
  if (pclose(p) != 0) sums.clear();
  return sums;
}

std::string FrameMd5(const AVFrame& frame) {
  const auto format = static_cast<AVPixelFormat>(frame.format);
  const int size = av_image_get_buffer_size(format, frame.width, frame.height, 1);
  if (size <= 0) return {};
  std::vector<uint8_t> packed(static_cast<size_t>(size));
  av_image_copy_to_buffer(packed.data(), size, frame.data, frame.linesize, format, frame.width, frame.height,
                          1);
  uint8_t digest[16];
  av_md5_sum(digest, packed.data(), size);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return hex;
}

bool ReadBmp(const std::string& path, Bmp& out, uint32_t* fileSize) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u16 = [&](size_t o) { return static_cast<uint32_t>(d[o] | d[o + 1] << 8); };
  auto u32 = [&](size_t o) { return u16(o) | u16(o + 2) << 16; };
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return false;
  if (fileSize) *fileSize = u32(2);
  const uint32_t offset = u32(10);
  const int32_t width = static_cast<int32_t>(u32(18));
  const int32_t height = static_cast<int32_t>(u32(22));
  out.bitsPerPixel = static_cast<int>(u16(28));
  if (out.bitsPerPixel != 24 || u32(30) != 0 || width <= 0 || height <= 0) return false;
  const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  if (offset + row * height > d.size()) return false;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = d.data() + offset + row * (height - 1 - y);
    std::memcpy(out.rgb.data() + static_cast<size_t>(y) * width * 3, src, static_cast<size_t>(width) * 3);
  }
  return true;
}

}  // namespace orvia::player::testing
