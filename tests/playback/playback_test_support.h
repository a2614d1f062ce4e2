// Shared pieces of the playback tests: a fake wall clock that the sleeper
// advances, a view that records what the controller tells the window,
// hand-built recordings whose every unit and sound block can be told apart,
// and the controller driven like the main window drives it (list loads,
// commands and 1 ms ticks) with recording players standing in for the views.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "playback/playback_controller.h"
#include "tests/support/recording_player.h"

namespace orvia::test {

using player::PlayerOp;
using player::RecordedCall;
using player::RecordingPlayer;

// Local time as milliseconds of the day; SleepMs moves it on.
class FakeClock : public WallClock, public Sleeper {
 public:
  FakeClock() { Set(10, 0, 0, 0); }
  WallTime Now() override;
  void SleepMs(int ms) override { sleptMs_ += ms, nowMs_ += ms; }
  void Set(int hour, int minute, int second, int ms) {
    nowMs_ = ((hour * 60 + minute) * 60 + second) * 1000LL + ms;
  }
  void AdvanceMs(int64_t ms) { nowMs_ += ms; }
  int64_t nowMs() const { return nowMs_; }
  int64_t sleptMs() const { return sleptMs_; }

 private:
  int64_t nowMs_ = 0;
  int64_t sleptMs_ = 0;
};

class FakeView : public PlaybackView {
 public:
  void SetTimeLine(int second) override { timeLine = second; }
  void SetSpeedSlider(int) override {}
  int VolumeSlider() const override { return volumeSlider; }
  void EnableButton(PlaybackButton button, bool on) override { enabled[button] = on; }
  void SetPlayPauseLook(bool pause, const std::string& tooltip) override {
    pauseLook = pause, playTooltip = tooltip;
  }
  void SetStepTooltips(const std::string&, const std::string&) override {}
  void ShowTelemetry(const TelemetryTexts& texts) override { telemetry.push_back(texts); }
  bool MapShown() const override { return mapShown; }
  void MapSetPos(const std::string& lat, const std::string& lng) override { mapCalls.push_back({lat, lng}); }
  void ReloadMap() override { ++mapReloads; }
  void SetGraphData(int count, const GPeak*, const std::unique_ptr<GpsFix>*) override { graphCount = count; }
  void SetGraphCursor(int second) override { graphCursor = second; }
  void RedrawGraph() override {}
  int ListRowCount() const override { return static_cast<int>(rows.size()); }
  std::string RowPath(int row) const override { return row < ListRowCount() ? rows[row] : std::string(); }
  void SelectListRow(int row) override { selectedRow = row; }
  void FocusList() override {}
  void ClearList() override { rows.clear(); }
  void MarkRowUnplayable(int row) override { unplayable.push_back(row); }
  void SetTimeLineLength(int seconds) override { timeLineLength = seconds; }
  bool FullScreen() const override { return fullScreen; }
  bool PlayersHaveWindows() const override { return true; }
  void RedrawWindow() override {}
  bool IsEnabled(PlaybackButton b) const { return enabled.count(b) && enabled.at(b); }

  std::vector<int> unplayable;
  int timeLineLength = 60;
  int timeLine = -1, volumeSlider = 5, mapReloads = 0, graphCount = -1, graphCursor = -1, selectedRow = -1;
  bool pauseLook = false, mapShown = true, fullScreen = false;
  std::string playTooltip;
  std::map<PlaybackButton, bool> enabled;
  std::vector<TelemetryTexts> telemetry;
  std::vector<std::pair<std::string, std::string>> mapCalls;
  std::vector<std::string> rows;
};

// A sound sink behind a recording player, playing on the fake clock at 8 kHz
// 16-bit mono: what is handed over plays back to back from the moment it
// arrives, a flush drops what has not played but the first `keptOnFlushMs`
// (what a real sink has already taken). It answers SoundQueuedUs.
class FakeSink {
 public:
  FakeSink(RecordingPlayer& player, FakeClock& clock, int keptOnFlushMs = 0);
  struct Block {
    int id;           // the block's last byte (hand-built block i holds byte i)
    int64_t startMs;  // clock time it starts to play (silence in front excluded)
  };
  const std::vector<Block>& blocks() const { return blocks_; }
  int64_t queuedUs() const;
  int flushes() const { return flushes_; }
  // Clock times the player was handed a key unit.
  const std::vector<int64_t>& keyFedMs() const { return keyFedMs_; }

 private:
  FakeClock& clock_;
  int keptOnFlushMs_ = 0;
  std::vector<int64_t> keyFedMs_;
  int64_t endUs_ = 0;  // clock time the queued sound has played
  std::vector<Block> blocks_;
  int flushes_ = 0;
};

// English texts of the keys the controller looks up.
std::string EnglishText(const char* key);

// A recording built byte by byte. Each second starts with its motion record
// (Unix time kFirstUnix + second) and, unless listed in `noGpsSeconds`, a GPS
// record; then 15 units per stream and 25 sound blocks of 640 bytes.
// Unit k of a stream (k counted over the file): k % 15 == 0 is a key unit
// (SPS + PPS + IDR for k == 0, IDR alone after), odd k a non-reference slice
// (NAL header 0x01), even k a reference slice (0x41). Every unit carries its
// stream and number in its payload ("s<stream>u<k>-"); sound block i is
// filled with byte i.
struct HandBuiltOptions {
  int seconds = 3;
  std::vector<int> noGpsSeconds;
  int oversizedUnit = -1;        // front unit number given a payload beyond the unit buffer
  int oversizedSoundBlock = -1;  // sound block given 40,000 bytes
};
constexpr uint32_t kFirstUnix = 1796632200;  // 2026-12-07 08:30:00 UTC
std::string WriteHandBuilt(const std::string& path, const HandBuiltOptions& options);

// A folder removed with its content.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

const std::vector<uint8_t>& Blank();  // the blank key unit the controller is given
std::string Bytes(const RecordedCall* c);
// The unit number a hand-built unit carries, or -1.
int UnitNumber(const RecordedCall* c, int stream);
// The video (or sound) feeds a player received, refused ones included.
std::vector<const RecordedCall*> Feeds(const RecordingPlayer& p, bool sound);
// Unit numbers of the video feeds.
std::vector<int> Units(const RecordingPlayer& p, int stream);

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() { Rebuild(); }
  void Rebuild();
  std::string Recording(int seconds, const std::string& name = "rec.avi") {
    HandBuiltOptions o;
    o.seconds = seconds;
    return WriteHandBuilt(dir / name, o);
  }
  std::string Recording(const HandBuiltOptions& o) { return WriteHandBuilt(dir / "rec.avi", o); }
  // The SD button with the disk manager answering OK with these rows.
  void Load(const std::vector<std::string>& rows);
  void Ticks(int n);
  // Ticks until `done` holds; false when it did not within `limit` ticks.
  bool TickUntil(const std::function<bool()>& done, int limit = 30000);
  // Ticks until the front's next unit is `unit`.
  bool TickToUnit(int unit) {
    return TickUntil([&] { return controller->buffer().nextVideo[0] == unit; });
  }
  // Plays to `second` and `ms` into it, then pauses.
  void PauseAt(int second, int ms);
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
