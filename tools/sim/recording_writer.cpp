#include "tools/sim/recording_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/sim/avi_builder.h"
#include "tools/sim/civil_time.h"
#include "tools/sim/h264_encoder.h"
#include "tools/sim/scene_painter.h"

namespace orvia::sim {

namespace {

constexpr double kG = 9.80665;

bool IsDriving(RecordingKind k) { return k == RecordingKind::kDriving || k == RecordingKind::kImpact; }

const char* KindText(RecordingKind k) {
  switch (k) {
    case RecordingKind::kDriving:
      return "DRIVING";
    case RecordingKind::kImpact:
      return "EVENT";
    case RecordingKind::kParking:
      return "PARKING";
    case RecordingKind::kParkingEvent:
      return "PARKING EVENT";
  }
  return "";
}

double WrapAngle(double deg) {
  double r = std::fmod(deg + 180.0, 360.0);
  if (r < 0) r += 360.0;
  return r - 180.0;
}

// The state of the car at a time of the recording, seconds from its start.
class CarState {
 public:
  explicit CarState(const RecordingPlan& p) : p_(p) {}

  // Tick of the trip at time t, clamped into the trip.
  double TripPos(double t) const {
    const double pos = p_.tripTick + t * kMotionPerSecond;
    const double last = static_cast<double>(p_.trip->speedMs.size() - 1);
    return std::clamp(pos, 0.0, last);
  }
  double Interp(const std::vector<double>& v, double pos) const {
    const size_t i = static_cast<size_t>(pos);
    if (i + 1 >= v.size()) return v.back();
    const double f = pos - i;
    return v[i] * (1 - f) + v[i + 1] * f;
  }
  double SpeedMs(double t) const { return IsDriving(p_.kind) ? Interp(p_.trip->speedMs, TripPos(t)) : 0; }
  double DistanceM(double t) const {
    return IsDriving(p_.kind) ? Interp(p_.trip->distanceM, TripPos(t)) : p_.parkedAtM;
  }
  // Seconds from the recording start of the impact, or a large negative
  // value when the recording holds none.
  double ImpactTime() const {
    if (!IsDriving(p_.kind) || p_.trip->impactTick < 0) return -1e9;
    return static_cast<double>(p_.trip->impactTick - p_.tripTick) / kMotionPerSecond;
  }
  double EventTime() const { return p_.eventSecond >= 0 ? p_.eventSecond + 0.3 : -1e9; }

 private:
  const RecordingPlan& p_;
};

RawMotion MotionAt(const RecordingPlan& p, const CarState& car, int second, int k, Rng& rng) {
  const double t = second + static_cast<double>(k) / kMotionPerSecond;
  const double dt = 1.0 / kMotionPerSecond;
  double gx = 0, gy = 0, gz = 1.0;
  const double n1 = rng.Range(-1, 1), n2 = rng.Range(-1, 1), n3 = rng.Range(-1, 1);
  if (IsDriving(p.kind)) {
    const double v = car.SpeedMs(t);
    gx = (car.SpeedMs(t + dt) - car.SpeedMs(t - dt)) / (2 * dt) / kG;
    const double d0 = car.DistanceM(t - dt), d1 = car.DistanceM(t + dt);
    const double yawDegPerS = WrapAngle(p.route->HeadingAt(d1) - p.route->HeadingAt(d0)) / (2 * dt);
    gy = v * (yawDegPerS * 3.14159265358979 / 180.0) / kG;
    const double rough = 0.015 + 0.0025 * v;
    gx += 0.012 * n1;
    gy += 0.012 * n2;
    gz += rough * n3;
    const double since = t - car.ImpactTime();
    if (since > -0.05 && since < 0.05) {  // the blow itself: saturates the sensor's forward axis
      gx = -1.98;
      gy = 1.25;
      gz = 1.85;
    } else if (since >= 0.05 && since < 0.45) {  // the car rocks back
      const double decay = std::exp(-since * 8);
      gx = 0.9 * decay * (k % 2 ? 1 : -1);
      gy = -0.6 * decay;
      gz = 1.0 + 0.5 * decay * (k % 2 ? -1 : 1);
    } else if (since > -0.2 && since <= -0.05) {  // a last hard brake
      gx = -0.9;
    }
  } else {
    gx = 0.008 * n1;
    gy = 0.008 * n2;
    gz = 1.0 + 0.008 * n3;
    const double since = t - car.EventTime();
    if (since >= 0 && since < 0.6) {
      const double decay = std::exp(-since * 6);
      gy += 0.45 * decay * (k % 2 ? -1 : 1);
      gx += 0.2 * decay;
    }
  }
  return {RawFromG(gx), RawFromG(gy), RawFromG(gz)};
}

struct CameraRig {
  H264Encoder encoder[2];
  int frame[2] = {0, 0};
};

// A white picture: the sync mark of the pictures.
void PaintFlash(Picture& pic) {
  for (int y = 0; y < pic.height; ++y)
    std::fill(pic.y + y * pic.strideY, pic.y + y * pic.strideY + pic.width, 235);
  for (int y = 0; y < pic.height / 2; ++y) {
    std::fill(pic.u + y * pic.strideU, pic.u + y * pic.strideU + pic.width / 2, 128);
    std::fill(pic.v + y * pic.strideV, pic.v + y * pic.strideV + pic.width / 2, 128);
  }
}

void PaintFrame(const RecordingPlan& p, const CarState& car, int stream, int second, int indexInSecond,
                int frameNumber, Picture pic) {
  if (p.syncMarks && indexInSecond == 0) {
    PaintFlash(pic);
    return;
  }
  const double t = second + static_cast<double>(indexInSecond) / p.fps;
  SceneState s;
  s.rear = stream == 1;
  const double dist = car.DistanceM(t);
  s.distanceM = dist;
  s.headingDeg = p.route->HeadingAt(dist);
  s.curve = std::clamp(WrapAngle(p.route->HeadingAt(dist + 60) - s.headingDeg) / 45.0, -1.0, 1.0);
  const double sinceImpact = t - car.ImpactTime();
  if (sinceImpact >= 0 && sinceImpact < 0.8) {
    s.shakePx = static_cast<int>(pic.height / 25 * std::exp(-sinceImpact * 4)) * (frameNumber % 2 ? 1 : -1);
  }
  const double sinceEvent = t - car.EventTime();
  if (sinceEvent > -2 && sinceEvent < 2) s.passerPos = (sinceEvent + 2) / 4;
  const CivilTime when = FromUnix(p.startUnix + second);
  s.daylight = DaylightAt(when.hour, when.minute);
  char line2[96];
  std::snprintf(line2, sizeof(line2), "#%04d %03d KM/H %s", frameNumber,
                static_cast<int>(std::lround(car.SpeedMs(t) * 3.6)), KindText(p.kind));
  s.line1 =
      std::string(stream == 0 ? "FRONT " : "REAR ") + FormatDate(when, "-") + " " + FormatTime(when, ":");
  s.line2 = line2;
  s.frameInSecond = indexInSecond;
  s.framesPerSecond = p.fps;
  PaintScene(s, pic);
}

// One chunk due within a second, in the order the recorder writes them.
struct Due {
  int timeUs;    // from the start of the second
  int priority;  // at equal times: motion, GPS, front, rear, sound
  int kind;      // 0 motion, 1 GPS, 2 front, 3 rear, 4 sound
  int n;         // index within the second
};

std::vector<Due> Schedule(int fps) {
  std::vector<Due> due;
  for (int k = 0; k < kMotionPerSecond; ++k) due.push_back({k * 1000000 / kMotionPerSecond, 0, 0, k});
  due.push_back({0, 1, 1, 0});
  for (int i = 0; i < fps; ++i) {
    due.push_back({i * 1000000 / fps, 2, 2, i});
    due.push_back({i * 1000000 / fps, 3, 3, i});
  }
  for (int j = 0; j < kSoundBlocksPerSecond; ++j)
    due.push_back({j * 1000000 / kSoundBlocksPerSecond, 4, 4, j});
  std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
    return a.timeUs != b.timeUs ? a.timeUs < b.timeUs : a.priority < b.priority;
  });
  return due;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

constexpr const char* kVideoIds[2] = {"00dc", "01dc"};

bool PlanIsValid(const RecordingPlan& p, int totalSeconds) {
  return p.seconds >= 1 && totalSeconds <= 64 && p.fps >= 1 && p.fps <= 30 && p.leadInMs >= 0 &&
         p.leadInMs <= 999 && p.route && (!IsDriving(p.kind) || (p.trip && !p.trip->speedMs.empty()));
}

// Everything one recording is built with, from the plan to the file's bytes.
struct RecordingWork {
  explicit RecordingWork(const RecordingPlan& plan)
      : p(plan), car(plan), rng(plan.seed), impactAt(car.ImpactTime()), eventAt(car.EventTime()) {}
  const RecordingPlan& p;
  CarState car;
  Rng rng;
  CameraRig rig;
  AviBuilder avi;
  SoundSynth synth;
  std::vector<AccessUnit> units;  // of the last picture encoded
  double impactAt;
  double eventAt;
};

bool OpenEncoders(const RecordingPlan& p, CameraRig& rig, std::string* error) {
  const int widths[2] = {p.frontWidth, p.rearWidth};
  const int heights[2] = {p.frontHeight, p.rearHeight};
  for (int s = 0; s < 2; ++s) {
    EncoderSettings es;
    es.width = widths[s];
    es.height = heights[s];
    es.fps = p.fps;
    es.gop = p.fps;
    es.crf = p.crf;
    if (!rig.encoder[s].Open(es, error)) return false;
  }
  return true;
}

// The units in w.units as chunks of video stream s.
void AddUnits(RecordingWork& w, int s, RecordingReport& r) {
  for (const AccessUnit& u : w.units) {
    w.avi.AddChunk(kVideoIds[s], u.bytes, u.key);
    ++r.videoUnits[s];
    r.keyUnits[s] += u.key ? 1 : 0;
  }
}

// Motion record k of the second; the largest sample so far (`bestMagnitude`)
// is the second's peak in `rec`.
void AddMotion(RecordingWork& w, int second, int k, SecondRecord& rec, int64_t& bestMagnitude,
               RecordingReport& r) {
  const RawMotion m = MotionAt(w.p, w.car, second, k, w.rng);
  const std::vector<uint8_t> bytes = MotionRecord(m, rec.unixTime);
  w.avi.AddChunk("03tx", bytes, true);
  ++r.motionRecords;
  const int x = RawToMilliG(m.x), y = RawToMilliG(m.y), z = RawToMilliG(m.z);
  const int64_t magnitude =
      static_cast<int64_t>(x) * x + static_cast<int64_t>(y) * y + static_cast<int64_t>(z) * z;
  if (magnitude > bestMagnitude) {
    bestMagnitude = magnitude;
    rec.peak[0] = static_cast<int16_t>(x);
    rec.peak[1] = static_cast<int16_t>(y);
    rec.peak[2] = static_cast<int16_t>(z);
  }
}

// The second's GPS record, unless the plan loses the signal then.
void AddGps(RecordingWork& w, int second, SecondRecord& rec, RecordingReport& r) {
  const RecordingPlan& p = w.p;
  if (second >= p.gpsLossFirst && second < p.gpsLossFirst + p.gpsLossCount) return;
  GeoPoint where = p.route->PositionAt(w.car.DistanceM(second));
  if (!IsDriving(p.kind)) {  // a standing receiver still wanders a little
    where.latDeg += w.rng.Range(-0.00002, 0.00002);
    where.lonDeg += w.rng.Range(-0.00002, 0.00002);
  }
  rec.gps = FormatGps(where, w.car.SpeedMs(second) * 3.6);
  rec.hasGps = true;
  std::vector<uint8_t> bytes{'G'};
  bytes.insert(bytes.end(), rec.gps.text.begin(), rec.gps.text.end());
  w.avi.AddChunk("03tx", bytes, true);
  ++r.gpsRecords;
}

// Picture n of the second from camera s; the first of every second is a key
// picture. False when the encoder fails.
bool AddPicture(RecordingWork& w, int s, int second, int n, RecordingReport& r) {
  CameraRig& rig = w.rig;
  PaintFrame(w.p, w.car, s, second, n, rig.frame[s], rig.encoder[s].NextPicture());
  const bool key = rig.frame[s] == 0 || n == 0;
  ++rig.frame[s];
  w.units.clear();
  if (!rig.encoder[s].Encode(key, w.units, &r.error)) return false;
  AddUnits(w, s, r);
  return true;
}

// Sound block n of the second: engine and road noise with the bursts of the
// impact and the event; with sync marks, a click opens every second.
void AddSoundBlock(RecordingWork& w, int second, int n, RecordingReport& r) {
  const RecordingPlan& p = w.p;
  uint8_t block[kSoundBlockBytes];
  const int samples = kSoundBlockBytes / 2;
  for (int i = 0; i < samples; ++i) {
    const double t = second + (n * samples + i) / static_cast<double>(kSoundRate);
    double burst = 0;
    if (t >= w.impactAt) burst += 0.75 * std::exp(-(t - w.impactAt) / 0.18);
    if (t >= w.eventAt) burst += 0.3 * std::exp(-(t - w.eventAt) / 0.08);
    int16_t v = w.synth.Sample(w.car.SpeedMs(t) * 3.6, IsDriving(p.kind), burst, kSoundRate);
    if (p.syncMarks) v = n == 0 && i == 0 ? kSyncClickLevel : static_cast<int16_t>(v / 3);
    block[2 * i] = static_cast<uint8_t>(v & 0xff);
    block[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xff);
  }
  w.avi.AddChunk("02wb", block, true);
  ++r.soundBlocks;
}

// The chunks of one second in schedule order, less those before the file's
// start or after its end (with a lead-in, the first and last seconds are
// partial). False when an encoder fails.
bool WriteSecond(RecordingWork& w, const std::vector<Due>& schedule, int second, RecordingReport& r) {
  const int leadInUs = w.p.leadInMs * 1000;
  SecondRecord rec;
  rec.unixTime = static_cast<uint32_t>(w.p.startUnix + second);
  int64_t bestMagnitude = 0;
  for (const Due& d : schedule) {
    if (second == 0 && d.timeUs < leadInUs) continue;             // before the file began
    if (second == w.p.seconds && d.timeUs >= leadInUs) continue;  // after it ended
    switch (d.kind) {
      case 0:
        AddMotion(w, second, d.n, rec, bestMagnitude, r);
        break;
      case 1:
        AddGps(w, second, rec, r);
        break;
      case 2:
      case 3:
        if (!AddPicture(w, d.kind - 2, second, d.n, r)) return false;
        break;
      case 4:
        AddSoundBlock(w, second, d.n, r);
        break;
    }
  }
  r.seconds.push_back(rec);
  return true;
}

bool FlushEncoders(RecordingWork& w, RecordingReport& r) {
  for (int s = 0; s < 2; ++s) {
    w.units.clear();
    if (!w.rig.encoder[s].Flush(w.units, &r.error)) return false;
    AddUnits(w, s, r);
  }
  return true;
}

AviStreams StreamsOf(const RecordingPlan& p) {
  AviStreams streams;
  streams.fps = p.fps;
  streams.videoWidth[0] = p.frontWidth;
  streams.videoHeight[0] = p.frontHeight;
  streams.videoWidth[1] = p.rearWidth;
  streams.videoHeight[1] = p.rearHeight;
  streams.soundSampleRate = kSoundRate;
  streams.telemetryPerSecond = kMotionPerSecond + 1;
  return streams;
}

}  // namespace

std::vector<uint8_t> MotionRecord(const RawMotion& m, uint32_t unixTime) {
  return {'M',
          static_cast<uint8_t>(m.x >> 8),
          static_cast<uint8_t>(m.x),
          static_cast<uint8_t>(m.y >> 8),
          static_cast<uint8_t>(m.y),
          static_cast<uint8_t>(m.z >> 8),
          static_cast<uint8_t>(m.z),
          static_cast<uint8_t>(unixTime >> 24),
          static_cast<uint8_t>(unixTime >> 16),
          static_cast<uint8_t>(unixTime >> 8),
          static_cast<uint8_t>(unixTime)};
}

RecordingReport WriteRecording(const RecordingPlan& p) {
  RecordingReport r;
  r.path = p.path;
  const int totalSeconds = p.seconds + (p.leadInMs > 0 ? 1 : 0);
  if (!PlanIsValid(p, totalSeconds)) {
    r.error = "bad recording plan";
    return r;
  }
  RecordingWork w(p);
  if (!OpenEncoders(p, w.rig, &r.error)) return r;
  const std::vector<Due> schedule = Schedule(p.fps);
  for (int second = 0; second < totalSeconds; ++second) {
    if (!WriteSecond(w, schedule, second, r)) return r;
  }
  if (!FlushEncoders(w, r)) return r;

  const std::vector<uint8_t> file = w.avi.Finish(StreamsOf(p), totalSeconds);
  if (!WriteFile(p.path, file)) {
    r.error = "cannot write " + p.path;
    return r;
  }
  r.bytes = file.size();
  r.ok = true;
  return r;
}

}  // namespace orvia::sim
