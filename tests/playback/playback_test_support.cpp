#include "tests/playback/playback_test_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/avi_builder.h"

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
  };
  auto it = texts.find(key);
  return it == texts.end() ? "N/A" : it->second;
}

namespace {

std::string Nal(uint8_t header, const std::string& payload) {
  return std::string("\0\0\0\1", 4) + static_cast<char>(header) + payload;
}

}  // namespace

std::string WriteHandBuilt(const std::string& path, const HandBuiltOptions& o) {
  constexpr int kFps = 15;
  AviBuilder avi;
  int sound = 0;
  for (int sec = 0; sec < o.seconds; ++sec) {
    // Raw 768 = 1 g on Z, and a little on X and Y that grows with the second.
    avi.Motion(static_cast<uint16_t>(512 - 10 * sec), static_cast<uint16_t>(512 + 5 * sec), 768,
               kFirstUnix + sec);
    if (std::find(o.noGpsSeconds.begin(), o.noGpsSeconds.end(), sec) == o.noGpsSeconds.end())
      avi.Gps("3733.0000 12658.0000 " + std::to_string(100 + 10 * sec) + ".0");
    for (int f = 0; f < kFps; ++f) {
      const int k = sec * kFps + f;
      for (int stream = 0; stream < 2; ++stream) {
        std::string payload = "s" + std::to_string(stream) + "u" + std::to_string(k) + "-";
        payload.append(stream == 0 && k == o.oversizedUnit ? kUnitBufferBytes : 12, '\x22');
        std::string unit;
        if (k == 0) unit = Nal(0x67, "SPS" + std::to_string(stream)) + Nal(0x68, "PPS");
        unit += Nal(f == 0 ? 0x65 : k % 2 == 1 ? 0x01 : 0x41, payload);
        avi.Video(stream, unit);
      }
      // 25 blocks spread over 15 frames.
      for (; sound < (k + 1) * 25 / kFps; ++sound)
        avi.Raw("02wb",
                std::string(sound == o.oversizedSoundBlock ? 40000 : 640, static_cast<char>(sound & 0xFF)));
    }
  }
  std::ofstream(path, std::ios::binary) << avi.Build();
  return path;
}

FakeSink::FakeSink(RecordingPlayer& player, FakeClock& clock, int keptOnFlushMs)
    : clock_(clock), keptOnFlushMs_(keptOnFlushMs) {
  constexpr int kBytesPerMs = 16;
  player.SetSoundQueuedAnswer([this] { return static_cast<int32_t>(queuedUs()); });
  player.SetCallListener([this](const RecordedCall& call) {
    const int64_t nowUs = clock_.nowMs() * 1000;
    if (call.op == PlayerOp::kFlushSound) {
      endUs_ = nowUs + std::min<int64_t>(queuedUs(), keptOnFlushMs_ * 1000LL);
      ++flushes_;
    }
    if (call.op == PlayerOp::kFeedData && !call.feed.sound && call.feed.key)
      keyFedMs_.push_back(clock_.nowMs());
    if (call.op != PlayerOp::kFeedData || !call.feed.sound || call.feed.bytes.empty()) return;
    const int64_t startUs = std::max(endUs_, nowUs);
    endUs_ = startUs + call.feed.length * 1000LL / kBytesPerMs;
    // The block is the last 640 bytes; anything in front of it is silence.
    const int64_t silenceUs = (call.feed.length - std::min(call.feed.length, 640)) * 1000LL / kBytesPerMs;
    blocks_.push_back({call.feed.bytes.back(), (startUs + silenceUs) / 1000});
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

const std::vector<uint8_t>& Blank() {
  static const std::vector<uint8_t> blank = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x65, 0x88};
  return blank;
}

std::string Bytes(const RecordedCall* c) { return std::string(c->feed.bytes.begin(), c->feed.bytes.end()); }

int UnitNumber(const RecordedCall* c, int stream) {
  const std::string b = Bytes(c);
  const std::string tag = "s" + std::to_string(stream) + "u";
  const size_t at = b.rfind(tag);
  return at == std::string::npos ? -1 : std::atoi(b.c_str() + at + tag.size());
}

std::vector<const RecordedCall*> Feeds(const RecordingPlayer& p, bool sound) {
  std::vector<const RecordedCall*> out;
  for (const RecordedCall* c : p.CallsOf(PlayerOp::kFeedData))
    if (c->feed.sound == sound) out.push_back(c);
  return out;
}

std::vector<int> Units(const RecordingPlayer& p, int stream) {
  std::vector<int> out;
  for (const RecordedCall* c : Feeds(p, false)) out.push_back(UnitNumber(c, stream));
  return out;
}

void ControllerTest::Rebuild() {
  PlaybackDeps deps;
  deps.front = &front;
  deps.rear = &rear;
  deps.view = &view;
  deps.clock = &clock;
  deps.sleeper = &clock;
  deps.text = EnglishText;
  deps.blankFrame = Blank();
  controller = std::make_unique<PlaybackController>(deps);
}

void ControllerTest::Load(const std::vector<std::string>& rows) {
  controller->BeginOpenSource();
  view.rows = rows;
  controller->EndOpenSource(true);
}

void ControllerTest::Ticks(int n) {
  for (int i = 0; i < n; ++i) {
    clock.AdvanceMs(1);
    controller->Tick();
  }
}

bool ControllerTest::TickUntil(const std::function<bool()>& done, int limit) {
  for (int i = 0; i < limit && !done(); ++i) Ticks(1);
  return done();
}

void ControllerTest::PauseAt(int second, int ms) {
  ASSERT_TRUE(
      TickUntil([&] { return controller->position() == second && controller->buffer().millisecond >= ms; }));
  controller->OnPlayPause();
}

}  // namespace orvia::test
