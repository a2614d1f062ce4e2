// Writes a whole simulated recorder card: the four mode folders with dated
// sub-folders of mdr_YYYYMMDD_HHMMSS.avi recordings, Config/setup.dat (the
// default file) and Config/time.bin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/civil_time.h"
#include "tools/sim/drive_model.h"
#include "tools/sim/recording_writer.h"

namespace orvia::sim {

struct CardOptions {
  std::string root;
  uint64_t seed = 1;
  CivilTime start{2026, 12, 7, 8, 30, 0};  // when the drive begins
  // "demo": a night parked (two parking recordings, one parking event), then
  //   six one-minute driving recordings along one route and an impact event;
  // "small": the same five kinds, a few seconds each (fast tests);
  // "single": one driving recording.
  std::string layout = "demo";
  int fps = 15;
  int seconds = 0;        // length of every recording; 0 = the layout's own
  int leadInMs = 0;       // every recording begins this far into its first second
  int gpsLossFirst = -1;  // every recording loses GPS in [first, first + count)
  int gpsLossCount = 0;
  Hemisphere hemisphere = Hemisphere::kNorthEast;
  int crf = 36;
  int jobs = 2;  // recordings written at the same time
  bool syncMarks = false;  // a flash and a click at the start of every second (RecordingPlan)
};

struct CardReport {
  bool ok = false;
  std::string error;
  std::vector<RecordingReport> recordings;  // in plan order
};

// The recordings a layout plans, without writing anything. False with
// `error` for an unknown layout or options out of range.
struct CardPlan {
  std::vector<RecordingPlan> recordings;
  Trip trip;
  Route route{Hemisphere::kNorthEast};
};
bool PlanCard(const CardOptions& options, CardPlan& plan, std::string* error);

CardReport MakeCard(const CardOptions& options);

// Mode folder of a kind: "Normal", "Event", "Parking", "ParkingEvent".
const char* ModeFolder(RecordingKind kind);

}  // namespace orvia::sim
