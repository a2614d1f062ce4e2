#include "tests/playback/playback_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/core/avi_builder.h"
#include "tools/sim/card_maker.h"

extern "C" {
#include <libavutil/log.h>
}

namespace orvia::test {

WallTime FakeClock::Now() {
  const int64_t ms = nowMs_ % (24LL * 3600 * 1000);
  return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
          static_cast<int>(ms % 1000)};
}

std::string EnglishText(const char* key) {
  static const std::map<std::string, std::string> texts = {
      {"IDS_CAPTION_X", "X"},
      {"IDS_CAPTION_Y", "Y"},
      {"IDS_CAPTION_Z", "Z"},
      {"IDS_CAPTION_TOOLTIP_PLAY", "Play"},
      {"IDS_CAPTION_TOOLTIP_PAUSE", "Pause"},
      {"IDS_CAPTION_TOOLTIP_BACK_PLAY", "10 seconds before"},
      {"IDS_CAPTION_TOOLTIP_BACK_PUASE", "1 second before"},
      {"IDS_CAPTION_TOOLTIP_NEXT_PLAY", "10 seconds after"},
      {"IDS_CAPTION_TOOLTIP_NEXT_PAUSE", "1 frame"},
  };
  auto it = texts.find(key);
  return it == texts.end() ? "N/A" : it->second;
}

namespace {

std::string Nal(uint8_t header, const std::string& payload) {
  return std::string("\0\0\0\1", 4) + static_cast<char>(header) + payload;
}

std::string UnitPayload(int stream, int k, size_t extra) {
  std::string p = "s" + std::to_string(stream) + "u" + std::to_string(k) + "-";
  p.append(extra, '\x22');
  return p;
}

}  // namespace

std::string WriteHandBuilt(const std::string& path, const HandBuiltOptions& o) {
  AviBuilder avi;
  int sound = 0;
  for (int sec = 0; sec < o.seconds; ++sec) {
    // Raw 768 = 1 g on Z, and a little on X and Y that grows with the second.
    avi.Motion(static_cast<uint16_t>(512 - 10 * sec), static_cast<uint16_t>(512 + 5 * sec), 768,
               kFirstUnix + sec);
    bool gps = true;
    for (int s : o.noGpsSeconds) gps = gps && s != sec;
    if (gps) avi.Gps("3733.0000 12658.0000 " + std::to_string(100 + 10 * sec) + ".0");
    for (int f = 0; f < o.fps; ++f) {
      const int k = sec * o.fps + f;
      for (int stream = 0; stream < 2; ++stream) {
        const size_t extra =
            (stream == 0 && k == o.oversizedUnit) ? static_cast<size_t>(kUnitBufferBytes) : 12;
        std::string unit;
        if (k == 0) {
          unit = Nal(0x67, "SPS" + std::to_string(stream)) + Nal(0x68, "PPS") +
                 Nal(0x65, UnitPayload(stream, k, extra));
        } else if (f == 0) {
          unit = Nal(0x65, UnitPayload(stream, k, extra));
        } else {
          unit = Nal(k % 2 == 1 ? 0x01 : 0x41, UnitPayload(stream, k, extra));
        }
        avi.Video(stream, unit);
      }
      // 25 blocks spread over 15 frames.
      while (sound < (sec * o.fps + f + 1) * 25 / o.fps) {
        const size_t bytes = sound == o.oversizedSoundBlock ? 40000 : 640;
        avi.Raw("02wb", std::string(bytes, static_cast<char>(sound & 0xFF)));
        ++sound;
      }
    }
  }
  const std::string bytes = avi.Build();
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

FakeSink::FakeSink(player::RecordingPlayer& player, FakeClock& clock, int bytesPerMs)
    : clock_(clock), bytesPerMs_(bytesPerMs) {
  player.SetSoundQueuedAnswer([this] { return static_cast<int32_t>(queuedUs()); });
  player.SetCallListener([this](const player::RecordedCall& call) {
    const int64_t nowUs = clock_.nowMs() * 1000;
    if (call.op == player::PlayerOp::kFlushSound) {
      endUs_ = nowUs;
      ++flushes_;
    }
    if (call.op != player::PlayerOp::kFeedData || !call.feed.sound || call.feed.bytes.empty()) return;
    const int64_t startUs = std::max(endUs_, nowUs);
    endUs_ = startUs + call.feed.length * 1000LL / bytesPerMs_;
    // The block is the last 640 bytes; anything in front of it is silence.
    const int64_t silenceUs = (call.feed.length - std::min(call.feed.length, 640)) * 1000LL / bytesPerMs_;
    blocks_.push_back({call.feed.bytes.back(), clock_.nowMs(), (startUs + silenceUs) / 1000});
  });
}

int64_t FakeSink::queuedUs() const { return std::max<int64_t>(0, endUs_ - clock_.nowMs() * 1000); }

ScratchDir::ScratchDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "orvia-playback-XXXXXX").string();
  path_ = mkdtemp(templ.data()) ? templ : std::string("/tmp");
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

const std::vector<std::string>& SimulatedRecordings() {
  static const std::vector<std::string> paths = [] {
    av_log_set_level(AV_LOG_ERROR);
    static ScratchDir dir;
    sim::CardOptions options;
    options.root = dir / "card";
    options.layout = "small";
    options.seconds = 2;
    options.seed = 3;
    const sim::CardReport card = sim::MakeCard(options);
    std::vector<std::string> out;
    if (!card.ok) {
      ADD_FAILURE() << "simulator: " << card.error;
      return out;
    }
    for (const sim::RecordingReport& r : card.recordings) {
      if (r.path.find("/Normal/") != std::string::npos) out.push_back(r.path);
    }
    return out;
  }();
  return paths;
}

}  // namespace orvia::test
