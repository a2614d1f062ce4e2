// The playback controller on any recording (its index built from the fuzzed
// bytes) with any sequence of commands, against stand-in players, a fake
// view and a fake clock: nothing faults, and the position, read positions
// and unit lengths stay inside the index and the buffers, and every unit
// handed over lies in readable memory.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "playback/playback_controller.h"
#include "player/player_contract.h"

namespace {

using namespace orvia;

class FakeTime : public WallClock, public Sleeper {
 public:
  WallTime Now() override {
    const int64_t ms = nowMs_ % (24LL * 3600 * 1000);
    return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
  }
  void SleepMs(int ms) override { nowMs_ += ms; }
  void Advance(int ms) { nowMs_ += ms; }

 private:
  int64_t nowMs_ = 10LL * 3600 * 1000 - 5000;  // an hour changes on the way
};

class NullView : public PlaybackView {
 public:
  void SetTimeLine(int) override {}
  void SetSpeedSlider(int) override {}
  int VolumeSlider() const override { return 5; }
  void EnableButton(PlaybackButton, bool) override {}
  void SetPlayPauseLook(bool, const std::string&) override {}
  void SetStepTooltips(const std::string&, const std::string&) override {}
  void ShowTelemetry(const TelemetryTexts&) override {}
  bool MapShown() const override { return true; }
  void MapSetPos(const std::string&, const std::string&) override {}
  void ReloadMap() override {}
  void SetGraphData(int, const GPeak*, const std::unique_ptr<GpsFix>*) override {}
  void SetGraphCursor(int) override {}
  void RedrawGraph() override {}
  int ListRowCount() const override { return static_cast<int>(rows.size()); }
  std::string RowPath(int row) const override {
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[row] : std::string();
  }
  void SelectListRow(int) override {}
  void FocusList() override {}
  void ClearList() override { rows.clear(); }
  void MarkRowUnplayable(int) override {}
  void SetTimeLineLength(int) override {}
  bool FullScreen() const override { return false; }
  bool PlayersHaveWindows() const override { return true; }
  void RedrawWindow() override {}
  std::vector<std::string> rows;
};

// The list row that stands for the fuzzed recording; the other row names a
// file that does not exist.
const char kMemoryRow[] = "fuzz:recording.avi";

// A player behind the call contract that keeps nothing: each unit or sound
// block handed over must lie in memory the controller may read (checked
// against the address sanitizer's shadow, without copying it), and units can
// be refused like a busy player refuses them.
class CheckingPlayer : public player::DispatchingPlayer {
 public:
  void RefuseNextUnits(int count) { refuseNext_ = count; }

 private:
  int32_t OnFeedData(bool, bool, std::span<const uint8_t> bytes) override {
    if (!bytes.empty() && __asan_region_is_poisoned(const_cast<uint8_t*>(bytes.data()), bytes.size()))
      std::abort();
    if (refuseNext_ > 0) {
      --refuseNext_;
      return player::kNotTaken;
    }
    return player::kCallOk;
  }
  void OnSetVolume(int32_t) override {}
  void OnSetStopped(bool) override {}
  void OnRedraw() override {}
  int32_t OnSaveSnapshot(std::string_view) override { return player::kCallOk; }
  void OnPrepareCopy() override {}
  int32_t OnCopyPicture(const player::CopyTarget&) override { return player::kNoPicture; }
  void OnSetSoundFormat(const SoundFormat&) override {}

  int refuseNext_ = 0;
};

const uint8_t kBlank[] = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x65, 0x88};

// The oracle, run after every tick: its comparisons guide nothing, so they
// are left out of the coverage feedback (which costs more than the check).
__attribute__((no_sanitize("coverage"))) void Check(const PlaybackController& c) {
  const RecordingIndex& index = c.index();
  const PlaybackBuffer& b = c.buffer();
  if (c.position() < 0 || c.position() >= kMaxSeconds) std::abort();
  for (int s = 0; s < 2; ++s) {
    if (b.nextVideo[s] < 0 || b.nextVideo[s] > std::max(0, std::min(index.videoCount[s], kVideoCapacity)))
      std::abort();
    if (b.unitLen[s] < 0 || b.unitLen[s] > kUnitBufferBytes) std::abort();
  }
  if (b.soundLen < 0 || b.soundLen > kSoundBufferBytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The index and unit buffers (about 1 MB) are made once; each input gets a
  // new controller on them, cleared, and new players, view and clock, so
  // nothing of one input carries over to the next.
  static PlaybackStorage* storage = new PlaybackStorage;

  // The last bytes are commands, the rest is the recording, read in place.
  const size_t commands = std::min<size_t>(24, size / 8);
  const std::span<const uint8_t> avi(data, size - commands);

  CheckingPlayer front, rear;
  NullView view;
  FakeTime time;
  PlaybackDeps deps;
  deps.front = &front;
  deps.rear = &rear;
  deps.view = &view;
  deps.clock = &time;
  deps.sleeper = &time;
  deps.text = [](const char*) { return std::string("x"); };
  deps.blankFrame = kBlank;
  deps.open = [avi](const std::string& path, RecordingIndex& index, RecordingFile* current) {
    if (path == kMemoryRow) return OpenRecordingBytes(avi, index, current);
    return OpenRecording(path, index, current);
  };
  auto controller = std::make_unique<PlaybackController>(deps, *storage);
  controller->BeginOpenSource();
  view.rows = {kMemoryRow, "/nonexistent/mdr.avi", kMemoryRow};
  controller->EndOpenSource(true);

  for (size_t i = size - commands; i <= size; ++i) {
    const uint8_t op = i < size ? data[i] : 0;
    switch (op % 12) {
      case 0:
        break;
      case 1:
        controller->OnPlayPause();
        break;
      case 2:
        controller->OnStop();
        break;
      case 3:
        controller->OnBack();
        break;
      case 4:
        controller->OnForward();
        break;
      case 5:
        controller->OnPreviousFile();
        break;
      case 6:
        controller->OnNextFile();
        break;
      case 7:
        controller->OnListDoubleClick(op / 12 % 4 - 1);
        break;
      case 8:
        controller->OnTimeLine(op / 12 % 70);
        break;
      case 9:
        controller->OnSpeed(op / 12 % 5);
        break;
      case 10:
        controller->OnVolume(op / 12 % 11);
        break;
      case 11:
        front.RefuseNextUnits(op / 12 % 4);
        break;
    }
    Check(*controller);
    for (int t = 0; t < 60; ++t) {
      time.Advance(1 + op % 29);
      controller->Tick();
      Check(*controller);
    }
  }
  return 0;
}
