// Writes one simulated recording: an AVI holding the front and rear H.264
// streams, 8 kHz 16-bit mono sound in 40 ms blocks, ten 'M' motion records
// and one 'G' GPS record per second, interleaved second by second as the
// recorder writes them. Reports what it wrote so tests can compare it with
// what a reader finds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/drive_model.h"

namespace orvia::sim {

enum class RecordingKind { kDriving, kImpact, kParking, kParkingEvent };

struct RecordingPlan {
  std::string path;
  RecordingKind kind = RecordingKind::kDriving;
  int64_t startUnix = 0;  // wall time of the first second, counted as UTC
  int seconds = 60;       // 1..64
  int fps = 15;
  uint64_t seed = 1;  // sensor and GPS noise
  const Route* route = nullptr;
  // Driving kinds: the trip the recording is a window of, from this tick on.
  const Trip* trip = nullptr;
  int tripTick = 0;
  // Parking kinds: where the car stands, as a distance along the route.
  double parkedAtM = 0;
  // Parking event: the second of the knock and the passer-by; -1 for none.
  // (Impacts come from the trip.)
  int eventSecond = -1;
  // The file begins this many milliseconds into its first second, as when
  // the recorder cuts files at an arbitrary picture: the first second is
  // partial and one more partial second ends the file (0 = whole seconds).
  int leadInMs = 0;
  int gpsLossFirst = -1;  // seconds without a 'G' record: [first, first + count)
  int gpsLossCount = 0;
  // Sync marks for measuring picture against sound: the first picture of
  // every second is white in both streams, and the sound of that instant is
  // a click at full scale (kSyncClickLevel); the rest of the sound stays
  // below half of full scale, so that nothing else is taken for a click.
  bool syncMarks = false;
  int frontWidth = 1280, frontHeight = 720;
  int rearWidth = 640, rearHeight = 360;
  int crf = 36;
};

// What one second of the file says, as a reader should find it.
struct SecondRecord {
  uint32_t unixTime = 0;
  int16_t peak[3] = {0, 0, 0};  // motion sample of greatest magnitude, thousandths of g
  bool hasGps = false;
  GpsText gps;  // the text written and its expected values
};

struct RecordingReport {
  bool ok = false;
  std::string error;
  std::string path;
  uint64_t bytes = 0;
  int videoUnits[2] = {0, 0};
  int keyUnits[2] = {0, 0};
  int soundBlocks = 0;
  int motionRecords = 0;
  int gpsRecords = 0;
  std::vector<SecondRecord> seconds;
};

constexpr int kSoundRate = 8000;
constexpr int kSoundBlocksPerSecond = 25;
constexpr int kSoundBlockBytes = kSoundRate / kSoundBlocksPerSecond * 2;  // 640
constexpr int16_t kSyncClickLevel = 32767;

// Builds the recording in memory and writes it to plan.path.
RecordingReport WriteRecording(const RecordingPlan& plan);

// The 'M' record: 'M', X, Y, Z as big-endian uint16, Unix time as big-endian
// uint32 (11 bytes).
std::vector<uint8_t> MotionRecord(const RawMotion& m, uint32_t unixTime);

}  // namespace orvia::sim
