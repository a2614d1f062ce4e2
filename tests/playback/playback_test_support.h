// Shared pieces of the playback tests: a fake wall clock that the sleeper
// advances, a view that records what the controller tells the window, and
// hand-built recordings whose every unit and sound block can be told apart.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "playback/playback_controller.h"
#include "player/recording_player.h"

namespace orvia::test {

// Local time as milliseconds of the day; SleepMs moves it on.
class FakeClock : public WallClock, public Sleeper {
 public:
  explicit FakeClock(int hour = 10, int minute = 0, int second = 0) { Set(hour, minute, second, 0); }
  WallTime Now() override;
  void SleepMs(int ms) override {
    sleptMs_ += ms;
    ++sleeps_;
    nowMs_ += ms;
  }
  void Set(int hour, int minute, int second, int ms) {
    nowMs_ = ((hour * 60 + minute) * 60 + second) * 1000LL + ms;
  }
  void AdvanceMs(int64_t ms) { nowMs_ += ms; }
  int64_t nowMs() const { return nowMs_; }
  int64_t sleptMs() const { return sleptMs_; }
  int sleeps() const { return sleeps_; }

 private:
  int64_t nowMs_ = 0;
  int64_t sleptMs_ = 0;
  int sleeps_ = 0;
};

class FakeView : public PlaybackView {
 public:
  void SetTimeLine(int second) override { timeLine = second; }
  void SetSpeedSlider(int position) override { speedSlider = position; }
  int VolumeSlider() const override { return volumeSlider; }
  void EnableButton(PlaybackButton button, bool enabled) override { this->enabled[button] = enabled; }
  void SetPlayPauseLook(bool pause, const std::string& tooltip) override {
    pauseLook = pause;
    playTooltip = tooltip;
  }
  void SetStepTooltips(const std::string& back, const std::string& forward) override {
    backTooltip = back;
    forwardTooltip = forward;
  }
  void ShowTelemetry(const TelemetryTexts& texts) override { telemetry.push_back(texts); }
  bool MapShown() const override { return mapShown; }
  void MapSetPos(const std::string& lat, const std::string& lng) override { mapCalls.push_back({lat, lng}); }
  void ReloadMap() override { ++mapReloads; }
  void SetGraphData(int count, const GPeak*, const std::unique_ptr<GpsFix>*) override { graphCount = count; }
  void SetGraphCursor(int second) override { graphCursor = second; }
  void RedrawGraph() override { ++graphRedraws; }
  int ListRowCount() const override { return static_cast<int>(rows.size()); }
  std::string RowPath(int row) const override {
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[row] : std::string();
  }
  void SelectListRow(int row) override { selectedRow = row; }
  void FocusList() override { ++listFocused; }
  void ClearList() override { rows.clear(); }
  bool FullScreen() const override { return fullScreen; }
  bool PlayersHaveWindows() const override { return playersHaveWindows; }
  void RedrawWindow() override { ++windowRedraws; }

  bool IsEnabled(PlaybackButton b) const {
    auto it = enabled.find(b);
    return it != enabled.end() && it->second;
  }

  int timeLine = -1;
  int speedSlider = -1;
  int volumeSlider = 5;
  std::map<PlaybackButton, bool> enabled;
  bool pauseLook = false;
  std::string playTooltip, backTooltip, forwardTooltip;
  std::vector<TelemetryTexts> telemetry;
  bool mapShown = true;
  std::vector<std::pair<std::string, std::string>> mapCalls;
  int mapReloads = 0;
  int graphCount = -1;
  int graphCursor = -1;
  int graphRedraws = 0;
  std::vector<std::string> rows;
  int selectedRow = -1;
  int listFocused = 0;
  bool fullScreen = false;
  bool playersHaveWindows = true;
  int windowRedraws = 0;
};

// A sound sink behind a recording player, playing on the fake clock: what is
// handed over plays back to back from the moment it arrives, a flush drops
// what has not played. It answers the player's SoundQueuedUs.
class FakeSink {
 public:
  // 8 kHz 16-bit mono: 16 bytes a millisecond.
  FakeSink(player::RecordingPlayer& player, FakeClock& clock, int bytesPerMs = 16);
  struct Block {
    int id;            // the block's last byte (hand-built block i holds byte i)
    int64_t handedMs;  // clock time it was handed over
    int64_t startMs;   // clock time it starts to play (silence in front excluded)
  };
  const std::vector<Block>& blocks() const { return blocks_; }
  int64_t queuedUs() const;
  int flushes() const { return flushes_; }

 private:
  FakeClock& clock_;
  int bytesPerMs_;
  int64_t endUs_ = 0;  // clock time the queued sound has played
  std::vector<Block> blocks_;
  int flushes_ = 0;
};

// English texts of the keys the controller looks up.
std::string EnglishText(const char* key);

// A recording built byte by byte. Each second starts with its motion record
// (Unix time kFirstUnix + second) and, unless listed in `noGpsSeconds`, a GPS
// record; then `fps` units per stream and 25 sound blocks of 640 bytes.
// Unit k of a stream (k counted over the file): k % fps == 0 is a key unit
// (SPS + PPS + IDR for k == 0, IDR alone after), odd k a non-reference slice
// (NAL header 0x01), even k a reference slice (0x41). Every unit carries its
// stream and number in its payload; sound block i is filled with byte i.
struct HandBuiltOptions {
  int seconds = 3;
  int fps = 15;
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

// Two simulated two-second driving recordings with real H.264 and sound,
// written once per test process; empty when the simulator failed.
const std::vector<std::string>& SimulatedRecordings();

}  // namespace orvia::test
