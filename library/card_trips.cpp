#include "library/card_trips.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

#include "library/telemetry_cache.h"
#include "settings/impact_threshold.h"

namespace orvia {
namespace {

// Speeds below this count as standing for the average moving speed.
constexpr double kMovingKmh = 3;

bool IsParking(RecordingMode mode) {
  return mode == RecordingMode::kParking || mode == RecordingMode::kParkingEvent;
}

int64_t StartOf(const CardRecording& r) {
  const auto& s = r.telemetry.seconds;
  return !s.empty() && s.front().unixTime != 0 ? s.front().unixTime : r.nameTime;
}

int64_t EndOf(const CardRecording& r) {
  const auto& s = r.telemetry.seconds;
  return !s.empty() && s.back().unixTime != 0 ? int64_t{s.back().unixTime} + 1
                                              : r.nameTime + static_cast<int64_t>(s.size());
}

// The time of second `i` of a recording.
int64_t TimeOf(const CardRecording& r, size_t i) {
  const int32_t t = r.telemetry.seconds[i].unixTime;
  return t != 0 ? t : r.nameTime + static_cast<int64_t>(i);
}

double SpeedKmh(const TelemetrySecond& s) { return s.fix.speed / 10.0; }

double MagnitudeG(const GPeak& p) {
  return std::hypot(static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)) / 1000.0;
}

// Great-circle distance in metres between two fixes.
double DistanceM(const GpsFix& a, const GpsFix& b) {
  constexpr double kEarthM = 6371000.0;
  constexpr double kRad = M_PI / 180.0 / 1e6;
  const double lat1 = a.latitude * kRad, lat2 = b.latitude * kRad;
  const double dLat = lat2 - lat1, dLng = (b.longitude - a.longitude) * kRad;
  const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(lat1) * std::cos(lat2) * std::sin(dLng / 2) * std::sin(dLng / 2);
  return 2 * kEarthM * std::asin(std::min(1.0, std::sqrt(h)));
}

// The place of an event: the second's fix, else the nearest in time within
// its recording.
void PlaceEvent(const CardRecording& r, CardEvent& e) {
  const auto& secs = r.telemetry.seconds;
  const GpsFix* nearest = nullptr;
  int distance = 0;
  for (size_t i = 0; i < secs.size(); ++i) {
    if (!secs[i].hasFix) continue;
    const int d = std::abs(static_cast<int>(i) - e.second);
    if (nearest == nullptr || d < distance) {
      nearest = &secs[i].fix;
      distance = d;
    }
  }
  if (nearest == nullptr) return;
  e.latitude = nearest->latitude / 1e6;
  e.longitude = nearest->longitude / 1e6;
  if (static_cast<size_t>(e.second) < secs.size() && secs[e.second].hasFix)
    e.speedKmh = SpeedKmh(secs[e.second]);
}

// Seconds above the impact threshold; a run of them in one recording is one
// impact, at its strongest second.
void FindImpacts(const CardSummary& card, size_t ri, std::vector<CardEvent>& out) {
  const CardRecording& r = card.recordings[ri];
  const int64_t limit = int64_t{r.impactThresholdMilliG} * r.impactThresholdMilliG;
  const auto& secs = r.telemetry.seconds;
  for (size_t i = 0; i < secs.size();) {
    const auto squared = [&](size_t k) {
      const GPeak& p = secs[k].peak;
      return int64_t{p.x} * p.x + int64_t{p.y} * p.y + int64_t{p.z} * p.z;
    };
    if (squared(i) <= limit) {
      ++i;
      continue;
    }
    size_t strongest = i;
    for (; i < secs.size() && squared(i) > limit; ++i)
      if (squared(i) > squared(strongest)) strongest = i;
    CardEvent e;
    e.kind = EventKind::kImpact;
    e.recording = ri;
    e.second = static_cast<int>(strongest);
    e.time = TimeOf(r, strongest);
    e.peakG = MagnitudeG(secs[strongest].peak);
    PlaceEvent(r, e);
    out.push_back(e);
  }
}

// One second of a trip's time line.
struct TripSecond {
  size_t recording;
  size_t second;
};

// Hard braking and acceleration between consecutive seconds with fixes, and
// speeding above the limit, along one trip's seconds (across its
// recordings). A run of seconds of one kind is one event, at its first
// second, with the run's whole change (or top speed).
void FindSpeedEvents(const CardSummary& card, const Trip& trip, const EventOptions& options,
                     std::vector<CardEvent>& out) {
  std::vector<TripSecond> line;
  for (const size_t ri : trip.recordings)
    for (size_t i = 0; i < card.recordings[ri].telemetry.seconds.size(); ++i) line.push_back({ri, i});
  const auto sec = [&](size_t k) -> const TelemetrySecond& {
    return card.recordings[line[k].recording].telemetry.seconds[line[k].second];
  };
  const auto start = [&](EventKind kind, size_t k) {
    CardEvent e;
    e.kind = kind;
    e.recording = line[k].recording;
    e.second = static_cast<int>(line[k].second);
    e.time = TimeOf(card.recordings[e.recording], line[k].second);
    PlaceEvent(card.recordings[e.recording], e);
    return e;
  };
  std::optional<CardEvent> run;
  std::optional<CardEvent> speeding;
  for (size_t k = 0; k < line.size(); ++k) {
    const TelemetrySecond& now = sec(k);
    const bool paired = k > 0 && now.hasFix && sec(k - 1).hasFix &&
                        TimeOf(card.recordings[line[k].recording], line[k].second) ==
                            TimeOf(card.recordings[line[k - 1].recording], line[k - 1].second) + 1;
    const double change = paired ? SpeedKmh(now) - SpeedKmh(sec(k - 1)) : 0;
    const EventKind kind = change < 0 ? EventKind::kHardBraking : EventKind::kHardAcceleration;
    if (std::abs(change) >= kHardSpeedChangeKmh) {
      if (run && run->kind == kind) {
        *run->speedChangeKmh += change;
      } else {
        if (run) out.push_back(*run);
        run = start(kind, k);
        run->speedChangeKmh = change;
      }
    } else if (run) {
      out.push_back(*run);
      run.reset();
    }
    const bool fast = options.speedLimitKmh > 0 && now.hasFix && SpeedKmh(now) > options.speedLimitKmh;
    if (fast && !speeding) {
      speeding = start(EventKind::kSpeeding, k);
    } else if (fast) {
      speeding->speedKmh = std::max(*speeding->speedKmh, SpeedKmh(now));
    } else if (speeding) {
      out.push_back(*speeding);
      speeding.reset();
    }
  }
  if (run) out.push_back(*run);
  if (speeding) out.push_back(*speeding);
}

std::vector<Trip> GroupTrips(const std::vector<CardRecording>& recordings) {
  std::vector<Trip> trips;
  for (size_t i = 0; i < recordings.size(); ++i) {
    const CardRecording& r = recordings[i];
    if (!r.telemetry.ok) continue;  // told apart as unreadable, left out
    const bool parking = IsParking(r.mode);
    if (trips.empty() || trips.back().parking != parking ||
        StartOf(r) - trips.back().end >= kTripGapSeconds) {
      trips.emplace_back();
      trips.back().parking = parking;
      trips.back().start = StartOf(r);
    }
    Trip& t = trips.back();
    t.end = std::max(t.end, EndOf(r));
    t.recordings.push_back(i);
  }
  for (Trip& t : trips) {
    const GpsFix* last = nullptr;
    int64_t lastTime = 0;
    double movingSeconds = 0, movingMetres = 0;
    for (const size_t ri : t.recordings) {
      const auto& secs = recordings[ri].telemetry.seconds;
      for (size_t i = 0; i < secs.size(); ++i) {
        if (!secs[i].hasFix) continue;
        const double speed = SpeedKmh(secs[i]);
        t.topSpeedKmh = std::max(t.topSpeedKmh, speed);
        const int64_t now = TimeOf(recordings[ri], i);
        // Only while moving: a standing car's fixes wander by metres.
        if (last != nullptr && speed >= kMovingKmh) {
          const double d = DistanceM(*last, secs[i].fix);
          t.distanceM += d;
          if (now > lastTime) {
            movingSeconds += static_cast<double>(now - lastTime);
            movingMetres += d;
          }
        }
        last = &secs[i].fix;
        lastTime = now;
      }
    }
    t.avgMovingSpeedKmh = movingSeconds > 0 ? movingMetres / movingSeconds * 3.6 : 0;
  }
  return trips;
}

}  // namespace

int64_t RecordingNameTime(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(RecordingSortKey(RecordingDateText(name), RecordingTimeText(name)).c_str(),
                  "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
    return 0;
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  return static_cast<int64_t>(timegm(&t));
}

namespace {

// The mode of the folder a recording lies in: its parent (a mode folder
// holding the recordings directly) or grandparent (<mode>/<date>/).
RecordingMode ModeOfPath(const std::string& path) {
  size_t end = path.rfind(kSeparator);
  for (int level = 0; level < 2 && end != std::string::npos && end > 0; ++level) {
    const size_t begin = path.rfind(kSeparator, end - 1);
    const std::string name = path.substr(begin == std::string::npos ? 0 : begin + 1,
                                         end - (begin == std::string::npos ? 0 : begin + 1));
    for (int m = 0; m < kModeCount; ++m)
      if (name == kModeFolders[m].folder) return static_cast<RecordingMode>(m);
    end = begin;
  }
  return RecordingMode::kNormal;
}

}  // namespace

int64_t TimeInRecording(const CardRecording& r, int second) {
  if (second >= 0 && static_cast<size_t>(second) < r.telemetry.seconds.size()) return TimeOf(r, second);
  return StartOf(r) + second;
}

const char* EventKindName(EventKind kind) {
  switch (kind) {
    case EventKind::kImpact:
      return "impact";
    case EventKind::kHardBraking:
      return "hard-braking";
    case EventKind::kHardAcceleration:
      return "hard-acceleration";
    case EventKind::kSpeeding:
      return "speeding";
    case EventKind::kEventRecording:
      return "event-recording";
  }
  return "";
}

CardSummary SummariseCard(std::vector<CardRecording> recordings, const EventOptions& options) {
  CardSummary card;
  std::stable_sort(recordings.begin(), recordings.end(),
                   [](const CardRecording& a, const CardRecording& b) { return StartOf(a) < StartOf(b); });
  card.recordings = std::move(recordings);
  for (size_t i = 0; i < card.recordings.size(); ++i) {
    const CardRecording& r = card.recordings[i];
    if (!r.telemetry.ok) {
      card.unreadable.push_back(i);
      continue;
    }
    if (r.mode == RecordingMode::kEvent || r.mode == RecordingMode::kParkingEvent) {
      CardEvent e;
      e.kind = EventKind::kEventRecording;
      e.recording = i;
      e.time = StartOf(r);
      PlaceEvent(r, e);
      card.events.push_back(e);
    }
    FindImpacts(card, i, card.events);
  }
  card.trips = GroupTrips(card.recordings);
  for (const Trip& t : card.trips)
    if (!t.parking) FindSpeedEvents(card, t, options, card.events);
  std::stable_sort(card.events.begin(), card.events.end(),
                   [](const CardEvent& a, const CardEvent& b) { return a.time < b.time; });
  for (Trip& t : card.trips)
    for (const CardEvent& e : card.events)
      if (std::find(t.recordings.begin(), t.recordings.end(), e.recording) != t.recordings.end()) ++t.events;
  return card;
}

std::vector<CardRecording> CardRecordingsOf(const std::string& root) {
  std::vector<CardRecording> recordings;
  for (int m = 0; m < kModeCount; ++m) {
    const auto mode = static_cast<RecordingMode>(m);
    const std::vector<FoundRecording> found = FindModeRecordings(root, mode);
    // One threshold per folder: the card's setting for driving or parking.
    const int threshold = found.empty() ? 0 : ImpactThresholdForRecording(found.front().path, root);
    for (const FoundRecording& f : found) {
      CardRecording r;
      r.path = f.path;
      r.mode = mode;
      r.nameTime = RecordingNameTime(f.path);
      r.impactThresholdMilliG = threshold;
      recordings.push_back(std::move(r));
    }
  }
  return recordings;
}

std::vector<CardRecording> ReadCardRecordings(const std::string& root, const std::string& cacheFolder,
                                              int threads,
                                              const std::function<void(size_t, size_t)>& progress) {
  std::vector<CardRecording> recordings = CardRecordingsOf(root);
  ReadTelemetryOf(recordings, cacheFolder, threads, progress);
  return recordings;
}

std::vector<CardRecording> CardRecordingsAt(const std::vector<std::string>& paths) {
  std::vector<CardRecording> recordings;
  recordings.reserve(paths.size());
  // Recordings of one folder share their card and mode: the settings are
  // read once per folder.
  std::string lastFolder;
  int threshold = 0;
  RecordingMode mode = RecordingMode::kNormal;
  for (const std::string& path : paths) {
    const std::string folder = path.substr(0, path.rfind(kSeparator) + 1);
    if (folder != lastFolder || recordings.empty()) {
      lastFolder = folder;
      mode = ModeOfPath(path);
      threshold = ImpactThresholdForRecording(path, "");
    }
    CardRecording r;
    r.path = path;
    r.mode = mode;
    r.nameTime = RecordingNameTime(path);
    r.impactThresholdMilliG = threshold;
    recordings.push_back(std::move(r));
  }
  return recordings;
}

bool ReadTelemetryOf(std::vector<CardRecording>& recordings, const std::string& cacheFolder, int threads,
                     const std::function<void(size_t, size_t)>& progress, const std::atomic<bool>* cancel) {
  std::atomic<size_t> next{0}, done{0};
  const auto work = [&] {
    for (size_t i; !(cancel && cancel->load()) && (i = next.fetch_add(1)) < recordings.size();) {
      recordings[i].telemetry = CachedRecordingTelemetry(cacheFolder, recordings[i].path);
      const size_t finished = done.fetch_add(1) + 1;
      if (progress) progress(finished, recordings.size());
    }
  };
  std::vector<std::thread> pool;
  const int count = std::clamp(threads, 1, 16);
  for (int t = 1; t < count; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return done.load() == recordings.size();
}

}  // namespace orvia
