// The playback controller driven like the main window drives it: list loads,
// commands and 1 ms ticks on a fake clock, with recording players standing in
// for the two views. Shared by the controller's test files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playback/playback_controller.h"
#include "player/recording_player.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {

using player::PlayerOp;
using player::RecordedCall;
using player::RecordingPlayer;

inline const std::vector<uint8_t>& Blank() {
  static const std::vector<uint8_t> blank = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x65, 0x88};
  return blank;
}

inline HandBuiltOptions Seconds(int seconds) {
  HandBuiltOptions o;
  o.seconds = seconds;
  return o;
}

inline std::string Bytes(const RecordedCall* c) {
  return std::string(c->feed.bytes.begin(), c->feed.bytes.end());
}

// The unit number a hand-built unit carries ("s<stream>u<k>-"), or -1.
inline int UnitNumber(const RecordedCall* c, int stream) {
  const std::string b = Bytes(c);
  const std::string tag = "s" + std::to_string(stream) + "u";
  const size_t at = b.rfind(tag);
  if (at == std::string::npos) return -1;
  return std::atoi(b.c_str() + at + tag.size());
}

inline std::vector<const RecordedCall*> Feeds(const RecordingPlayer& p, bool sound) {
  std::vector<const RecordedCall*> out;
  for (const RecordedCall* c : p.CallsOf(PlayerOp::kFeedData)) {
    if (c->feed.sound == sound) out.push_back(c);
  }
  return out;
}

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() { Rebuild(); }

  void Rebuild() {
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

  std::string Recording(const HandBuiltOptions& o, const std::string& name = "rec.avi") {
    return WriteHandBuilt(dir / name, o);
  }

  // The SD button with the disk manager answering OK with these rows.
  void Load(const std::vector<std::string>& rows) {
    controller->BeginOpenSource();
    view.rows = rows;
    controller->EndOpenSource(true);
  }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock.AdvanceMs(1);
      controller->Tick();
    }
  }
  // Ticks until `done` holds; false when it did not within `limit` ticks.
  bool TickUntil(const std::function<bool()>& done, int limit = 20000) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      clock.AdvanceMs(1);
      controller->Tick();
    }
    return done();
  }
  int MediaMs() const { return controller->position() * 1000 + controller->buffer().millisecond; }
  void ClearCalls() {
    front.ClearCalls();
    rear.ClearCalls();
  }

  ScratchDir dir;
  RecordingPlayer front, rear;
  FakeView view;
  FakeClock clock;
  std::unique_ptr<PlaybackController> controller;
};

}  // namespace orvia::test
