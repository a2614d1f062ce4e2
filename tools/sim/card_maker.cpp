#include "tools/sim/card_maker.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "settings/clock_file.h"
#include "settings/default_setup.h"

namespace orvia::sim {

namespace {

struct Slot {
  RecordingKind kind;
  int64_t startOffset;  // seconds from the drive start
  int seconds;
  int tripSecond;   // driving kinds: where in the trip
  int eventSecond;  // impact or parking event second; -1 none
};

std::string RecordingPath(const std::string& root, RecordingKind kind, int64_t startUnix) {
  const CivilTime t = FromUnix(startUnix);
  const std::string date = FormatDate(t, "");
  return (std::filesystem::path(root) / ModeFolder(kind) / date /
          ("mdr_" + date + "_" + FormatTime(t, "") + ".avi"))
      .string();
}

}  // namespace

const char* ModeFolder(RecordingKind kind) {
  switch (kind) {
    case RecordingKind::kDriving:
      return "Normal";
    case RecordingKind::kImpact:
      return "Event";
    case RecordingKind::kParking:
      return "Parking";
    case RecordingKind::kParkingEvent:
      return "ParkingEvent";
  }
  return "";
}

namespace {

bool CheckCardOptions(const CardOptions& o, std::string* error) {
  if (o.fps < 1 || o.fps > 30) {
    *error = "--fps must be 1..30";
    return false;
  }
  if (o.seconds < 0 || o.seconds > 64) {
    *error = "--seconds must be 1..64";
    return false;
  }
  if (o.leadInMs < 0 || o.leadInMs > 999) {
    *error = "--lead-in-ms must be 0..999";
    return false;
  }
  if (o.leadInMs > 0 && o.seconds > 63) {
    *error = "with a lead-in, --seconds must be 1..63 (a file holds at most 64 seconds)";
    return false;
  }
  return true;
}

// The recordings of the layout in the order they are written;
// `tunnelRecording` is the one that passes a tunnel, -1 none.
bool LayoutSlots(const CardOptions& o, std::vector<Slot>& slots, int& tunnelRecording, std::string* error) {
  tunnelRecording = -1;  // demo: one driving recording passes a tunnel
  if (o.layout == "demo") {
    const int len = o.seconds > 0 ? o.seconds : 60;
    // The car stood overnight at the start of the route; a parking event at
    // night; then six minutes of driving ending in an impact.
    slots.push_back({RecordingKind::kParking, -9 * 3600 - 1800, len, 0, -1});
    slots.push_back({RecordingKind::kParking, -9 * 3600 - 1800 + len, len, 0, -1});
    slots.push_back({RecordingKind::kParkingEvent, -6 * 3600 - 737, len, 0, len / 3});
    for (int i = 0; i < 6; ++i) slots.push_back({RecordingKind::kDriving, i * len, len, i * len, -1});
    slots.push_back({RecordingKind::kImpact, 6 * len, len, 6 * len, std::min(len - 1, len * 2 / 5)});
    tunnelRecording = 6;
  } else if (o.layout == "small") {
    const int len = o.seconds > 0 ? o.seconds : 4;
    slots.push_back({RecordingKind::kParking, -9 * 3600 - 1800, len, 0, -1});
    slots.push_back({RecordingKind::kParkingEvent, -6 * 3600 - 737, len, 0, len / 2});
    slots.push_back({RecordingKind::kDriving, 0, len, 0, -1});
    slots.push_back({RecordingKind::kDriving, len, len, len, -1});
    slots.push_back({RecordingKind::kImpact, 2 * len, len, 2 * len, len / 2});
  } else if (o.layout == "single") {
    const int len = o.seconds > 0 ? o.seconds : 10;
    slots.push_back({RecordingKind::kDriving, 0, len, 0, -1});
  } else {
    *error = "unknown layout '" + o.layout + "' (demo, small, single)";
    return false;
  }
  return true;
}

// The plan of the i-th recording, in slot `s` of a drive that starts at
// `driveStart` (Unix time); it points into `plan`'s route and trip.
RecordingPlan PlanRecording(const CardOptions& o, const Slot& s, size_t i, int64_t driveStart, bool tunnel,
                            const CardPlan& plan) {
  RecordingPlan r;
  r.kind = s.kind;
  r.startUnix = driveStart + s.startOffset;
  r.path = RecordingPath(o.root, s.kind, r.startUnix);
  r.seconds = s.seconds;
  r.fps = o.fps;
  r.seed = o.seed * 1000003ull + i * 7919ull + 1;
  r.route = &plan.route;
  r.trip = &plan.trip;
  r.tripTick = s.tripSecond * kMotionPerSecond;
  r.parkedAtM = 0;
  r.eventSecond = s.kind == RecordingKind::kParkingEvent ? s.eventSecond : -1;
  r.crf = o.crf;
  r.leadInMs = o.leadInMs;
  r.syncMarks = o.syncMarks;
  if (o.gpsLossCount > 0) {
    r.gpsLossFirst = o.gpsLossFirst;
    r.gpsLossCount = o.gpsLossCount;
  } else if (tunnel) {
    r.gpsLossFirst = s.seconds / 2;
    r.gpsLossCount = std::max(1, s.seconds / 8);
  }
  return r;
}

}  // namespace

bool PlanCard(const CardOptions& o, CardPlan& plan, std::string* error) {
  if (!CheckCardOptions(o, error)) return false;
  std::vector<Slot> slots;
  int tunnelRecording = -1;
  if (!LayoutSlots(o, slots, tunnelRecording, error)) return false;

  int driveSeconds = 0;
  int impactTick = -1;
  for (const Slot& s : slots) {
    if (s.kind == RecordingKind::kDriving || s.kind == RecordingKind::kImpact) {
      driveSeconds = std::max(driveSeconds, s.tripSecond + s.seconds);
    }
    if (s.kind == RecordingKind::kImpact) impactTick = (s.tripSecond + s.eventSecond) * kMotionPerSecond + 3;
  }
  plan.route = Route(o.hemisphere);
  plan.trip = MakeTrip(o.seed, driveSeconds + 1, impactTick, plan.route);
  plan.recordings.clear();
  const int64_t driveStart = ToUnix(o.start);
  for (size_t i = 0; i < slots.size(); ++i) {
    const bool tunnel = static_cast<int>(i) == tunnelRecording;
    plan.recordings.push_back(PlanRecording(o, slots[i], i, driveStart, tunnel, plan));
  }
  return true;
}

CardReport MakeCard(const CardOptions& o) {
  CardReport report;
  CardPlan plan;
  if (!PlanCard(o, plan, &report.error)) return report;

  std::error_code ec;
  const std::filesystem::path root(o.root);
  for (const char* folder : {"Normal", "Event", "Parking", "ParkingEvent", "Config"}) {
    std::filesystem::create_directories(root / folder, ec);
    if (ec) {
      report.error = "cannot create " + (root / folder).string() + ": " + ec.message();
      return report;
    }
  }
  for (const RecordingPlan& r : plan.recordings) {
    std::filesystem::create_directories(std::filesystem::path(r.path).parent_path(), ec);
    if (ec) {
      report.error = "cannot create the folder of " + r.path + ": " + ec.message();
      return report;
    }
  }
  if (!WriteDefaultSetupDat((root / "Config" / "setup.dat").string())) {
    report.error = "cannot write Config/setup.dat";
    return report;
  }
  const CivilTime& t = o.start;
  if (!WriteClockFile(o.root, ClockTime{t.year, t.month, t.day, t.hour, t.minute, t.second})) {
    report.error = "cannot write Config/time.bin";
    return report;
  }

  // Recordings are independent; each worker takes the next one. Every
  // recording depends only on its plan, so the bytes do not depend on the
  // number of workers.
  report.recordings.resize(plan.recordings.size());
  std::atomic<size_t> next{0};
  auto work = [&]() {
    for (size_t i = next++; i < plan.recordings.size(); i = next++) {
      report.recordings[i] = WriteRecording(plan.recordings[i]);
    }
  };
  const int jobs = std::clamp(o.jobs, 1, 8);
  std::vector<std::thread> workers;
  for (int j = 1; j < jobs; ++j) workers.emplace_back(work);
  work();
  for (std::thread& w : workers) w.join();

  for (const RecordingReport& r : report.recordings) {
    if (!r.ok) {
      report.error = r.path + ": " + r.error;
      return report;
    }
  }
  report.ok = true;
  return report;
}

}  // namespace orvia::sim
