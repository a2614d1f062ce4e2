// Trips and events across a whole card, from each recording's telemetry
// (ReadRecordingTelemetry). Consecutive driving recordings less than three
// minutes apart form a trip, parking recordings a parking session; events
// are impacts, hard braking and acceleration, speeding and the recordings
// the recorder filed as events. Plain logic, no Qt.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "library/recording_names.h"
#include "library/recording_telemetry.h"

namespace orvia {

// Recordings further apart than this (end to next start) begin a new trip.
constexpr int kTripGapSeconds = 180;
// A GPS speed change of this much from one second to the next (about 0.4 g)
// is hard braking or hard acceleration.
constexpr int kHardSpeedChangeKmh = 15;

struct CardRecording {
  std::string path;
  RecordingMode mode = RecordingMode::kNormal;
  // When the name says the recording began (the recorder's clock); used
  // where the telemetry gives no time.
  int64_t nameTime = 0;
  int impactThresholdMilliG = 0;
  RecordingTelemetry telemetry;
};

struct Trip {
  bool parking = false;
  int64_t start = 0;  // the recorder's clock, seconds, broken down as UTC
  int64_t end = 0;
  double distanceM = 0;
  double topSpeedKmh = 0;
  double avgMovingSpeedKmh = 0;
  int events = 0;
  std::vector<size_t> recordings;  // into the card's recordings, in time order
};

enum class EventKind { kImpact, kHardBraking, kHardAcceleration, kSpeeding, kEventRecording };
const char* EventKindName(EventKind kind);  // "impact", "hard-braking", ...

struct CardEvent {
  EventKind kind = EventKind::kImpact;
  int64_t time = 0;  // the recorder's clock
  size_t recording = 0;
  int second = 0;  // within the recording
  std::optional<double> peakG;
  std::optional<double> speedKmh;
  std::optional<double> speedChangeKmh;
  std::optional<double> latitude;
  std::optional<double> longitude;
};

struct EventOptions {
  double speedLimitKmh = 0;  // 0: no speeding events
};

struct CardSummary {
  std::vector<CardRecording> recordings;  // in time order
  std::vector<size_t> unreadable;         // recordings whose telemetry could not be read
  std::vector<Trip> trips;                // in time order
  std::vector<CardEvent> events;          // in time order
};

// The recorder's time at second `second` of a recording: its telemetry's
// when it has one, else counted from the time in its name.
int64_t TimeInRecording(const CardRecording& r, int second);

// When a recording's name says it began, on the recorder's clock; 0 when
// the name holds no date and time.
int64_t RecordingNameTime(const std::string& path);

// Groups and searches recordings whose telemetry has been read.
CardSummary SummariseCard(std::vector<CardRecording> recordings, const EventOptions& options);

// Every recording of the card at `root` with its telemetry (from the cache
// in `cacheFolder` when it is not empty), read by `threads` threads.
// `progress` (when given) is called with done and total counts from the
// reading threads.
std::vector<CardRecording> ReadCardRecordings(const std::string& root, const std::string& cacheFolder,
                                              int threads = 4,
                                              const std::function<void(size_t, size_t)>& progress = {});

// Every recording of the card at `root`, its impact threshold from the
// card's settings; telemetry not yet read.
std::vector<CardRecording> CardRecordingsOf(const std::string& root);

// The recordings at these paths (a list opened from anywhere), their mode
// taken from the mode folder they lie in (Normal when none) and their impact
// threshold from their card's settings; telemetry not yet read.
std::vector<CardRecording> CardRecordingsAt(const std::vector<std::string>& paths);

// Reads the telemetry of `recordings` as ReadCardRecordings does. When
// `cancel` becomes true the threads stop taking recordings, and false is
// returned with the rest unread.
bool ReadTelemetryOf(std::vector<CardRecording>& recordings, const std::string& cacheFolder, int threads,
                     const std::function<void(size_t, size_t)>& progress,
                     const std::atomic<bool>* cancel = nullptr);

}  // namespace orvia
