// A controller on index and buffers borrowed from a controller before it, and
// one handed its recordings from memory, play exactly like a new controller
// reading files.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

using OpenFn = std::function<RecordingFile(const std::string&, RecordingIndex&, RecordingFile*)>;

// One controller with its own players, view and clock.
struct Session {
  explicit Session(PlaybackStorage* storage, OpenFn open = {}) {
    PlaybackDeps deps;
    deps.front = &front;
    deps.rear = &rear;
    deps.view = &view;
    deps.clock = &clock;
    deps.sleeper = &clock;
    deps.text = EnglishText;
    deps.blankFrame = Blank();
    deps.open = std::move(open);
    controller = storage ? std::make_unique<PlaybackController>(deps, *storage)
                         : std::make_unique<PlaybackController>(deps);
  }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock.AdvanceMs(1);
      controller->Tick();
    }
  }

  // Loads `rows` and runs a fixed round of commands (forward, pause, play,
  // speed, next file, time line); what both players were told, in order.
  std::vector<std::string> Play(const std::vector<std::string>& rows) {
    controller->BeginOpenSource();
    view.rows = rows;
    controller->EndOpenSource(true);
    Ticks(700);
    controller->OnForward();
    Ticks(300);
    controller->OnPlayPause();
    Ticks(50);
    controller->OnPlayPause();
    controller->OnSpeed(4);
    Ticks(1500);
    controller->OnNextFile();
    Ticks(400);
    controller->OnTimeLine(1);
    Ticks(800);
    std::vector<std::string> told;
    for (const RecordingPlayer* p : {&front, &rear}) {
      for (const RecordedCall& c : p->calls()) {
        std::string line = std::to_string(static_cast<int>(c.op));
        for (int32_t v : c.ints) line += " " + std::to_string(v);
        line += " " + std::string(c.feed.bytes.begin(), c.feed.bytes.end());
        told.push_back(line);
      }
      told.push_back("--");
    }
    told.push_back("at " + std::to_string(controller->position()) + " row " +
                   std::to_string(controller->currentRow()));
    return told;
  }

  RecordingPlayer front, rear;
  FakeView view;
  FakeClock clock;
  std::unique_ptr<PlaybackController> controller;
};

TEST(ControllerStorage, BorrowedStorageLeftByAnotherControllerPlaysAsNew) {
  ScratchDir dir;
  HandBuiltOptions three, five;
  three.seconds = 3;
  five.seconds = 5;
  const std::vector<std::string> rows = {WriteHandBuilt(dir / "a.avi", three),
                                         WriteHandBuilt(dir / "b.avi", three)};
  const std::vector<std::string> expected = Session(nullptr).Play(rows);
  ASSERT_GT(expected.size(), 20u);

  PlaybackStorage storage;
  {
    // Another recording, played part way: its entries and units stay in the storage.
    Session before(&storage);
    before.Play({WriteHandBuilt(dir / "c.avi", five)});
    before.Ticks(1234);
    ASSERT_GT(storage.index.secondCount, 0);
  }
  EXPECT_EQ(Session(&storage).Play(rows), expected);
  EXPECT_EQ(Session(&storage).Play(rows), expected);
}

TEST(ControllerStorage, RecordingsFromMemoryPlayLikeFiles) {
  ScratchDir dir;
  HandBuiltOptions three;
  three.seconds = 3;
  const std::vector<std::string> rows = {WriteHandBuilt(dir / "a.avi", three), dir / "gone.avi",
                                         WriteHandBuilt(dir / "b.avi", three)};
  const std::vector<std::string> expected = Session(nullptr).Play(rows);

  std::vector<std::vector<uint8_t>> held;  // the files' bytes, read once
  for (const std::string& path : {rows[0], rows[2]}) {
    std::ifstream in(path, std::ios::binary);
    held.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int opened = 0;
  OpenFn fromMemory = [&](const std::string& path, RecordingIndex& index, RecordingFile* current) {
    ++opened;
    if (path == rows[0]) return OpenRecordingBytes(held[0], index, current);
    if (path == rows[2]) return OpenRecordingBytes(held[1], index, current);
    return OpenRecording(path, index, current);
  };
  PlaybackStorage storage;
  EXPECT_EQ(Session(&storage, fromMemory).Play(rows), expected);
  EXPECT_GE(opened, 2);
}

}  // namespace
}  // namespace orvia::test
