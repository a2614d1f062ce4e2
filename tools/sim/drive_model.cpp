#include "tools/sim/drive_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvia::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegLat = 110574.0;
constexpr double kMetresPerDegLonEquator = 111320.0;

// Loops of real streets, one per hemisphere (latitude, longitude).
constexpr GeoPoint kLoopNorthEast[] = {  // a city centre loop in the northern and eastern hemispheres
    {37.49794, 127.02764}, {37.50075, 127.03644}, {37.50445, 127.04894}, {37.50887, 127.06316},
    {37.51378, 127.06004}, {37.51930, 127.05190}, {37.52250, 127.03990}, {37.51640, 127.02020},
    {37.51100, 127.02190}, {37.50460, 127.02500}};
constexpr GeoPoint kLoopNorthWest[] = {{40.75320, -73.98220}, {40.76440, -73.97300}, {40.76770, -73.98180},
                                       {40.76140, -73.98640}, {40.75750, -73.98970}, {40.75350, -73.98640}};
constexpr GeoPoint kLoopSouthEast[] = {{-33.87320, 151.20630}, {-33.88300, 151.20650},
                                       {-33.88400, 151.19500}, {-33.87900, 151.18600},
                                       {-33.87000, 151.19400}, {-33.86800, 151.20100}};
constexpr GeoPoint kLoopSouthWest[] = {{-34.60370, -58.38160}, {-34.61280, -58.38120},
                                       {-34.62050, -58.38160}, {-34.62230, -58.39900},
                                       {-34.60950, -58.39250}, {-34.60410, -58.39220}};

constexpr double kHeadingSpanM = 50;      // corners are rounded over this distance
constexpr double kMaxLateralG = 0.3;      // a calm driver's cornering
constexpr double kPlannedBrakeMs2 = 2.0;  // braking planned ahead of a corner
// The car sets off this far before the first point of its loop, so that its
// drive takes corners early on (the first minutes turn at the first point,
// and the demo card's impact minute takes the next corner).
constexpr double kStartBeforeFirstPointM = 300;

double ToRad(double deg) { return deg * kPi / 180.0; }

double WrapAngle(double deg) {
  double r = std::fmod(deg + 180.0, 360.0);
  if (r < 0) r += 360.0;
  return r - 180.0;
}

// The highest speed at distance `s` from which the car can still slow down
// for every corner within braking distance.
double CornerSpeedCap(const Route& route, double s, double v) {
  const double step = 5;
  const double lookahead = v * v / (2 * kPlannedBrakeMs2) + 30;
  double cap = 1e9;
  for (double d = 0; d <= lookahead; d += step) {
    const double turnDeg =
        std::fabs(WrapAngle(route.HeadingAt(s + d + step) - route.HeadingAt(s + d - step)));
    const double curvature = ToRad(turnDeg) / (2 * step);
    if (curvature < 1e-4) continue;
    const double cornerSpeed = std::sqrt(kMaxLateralG * 9.80665 / curvature);
    cap = std::min(cap, std::sqrt(cornerSpeed * cornerSpeed + 2 * kPlannedBrakeMs2 * d));
  }
  return cap;
}

// Local plane offset in metres of b from a.
void Offset(const GeoPoint& a, const GeoPoint& b, double& east, double& north) {
  north = (b.latDeg - a.latDeg) * kMetresPerDegLat;
  east = (b.lonDeg - a.lonDeg) * kMetresPerDegLonEquator * std::cos(ToRad((a.latDeg + b.latDeg) / 2));
}

double Wrap(double v, double period) {
  double r = std::fmod(v, period);
  return r < 0 ? r + period : r;
}

}  // namespace

uint64_t Rng::Next() {
  uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

double Rng::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

bool ParseHemisphere(const std::string& text, Hemisphere& out) {
  std::string t;
  for (char c : text) t.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  if (t == "NE")
    out = Hemisphere::kNorthEast;
  else if (t == "NW")
    out = Hemisphere::kNorthWest;
  else if (t == "SE")
    out = Hemisphere::kSouthEast;
  else if (t == "SW")
    out = Hemisphere::kSouthWest;
  else
    return false;
  return true;
}

Route::Route(Hemisphere h) {
  switch (h) {
    case Hemisphere::kNorthEast:
      points_.assign(std::begin(kLoopNorthEast), std::end(kLoopNorthEast));
      break;
    case Hemisphere::kNorthWest:
      points_.assign(std::begin(kLoopNorthWest), std::end(kLoopNorthWest));
      break;
    case Hemisphere::kSouthEast:
      points_.assign(std::begin(kLoopSouthEast), std::end(kLoopSouthEast));
      break;
    case Hemisphere::kSouthWest:
      points_.assign(std::begin(kLoopSouthWest), std::end(kLoopSouthWest));
      break;
  }
  cumulative_.push_back(0);
  for (size_t i = 0; i < points_.size(); ++i) {
    double e, n;
    Offset(points_[i], points_[(i + 1) % points_.size()], e, n);
    total_ += std::hypot(e, n);
    cumulative_.push_back(total_);
  }
}

GeoPoint Route::PositionAt(double distanceM) const {
  const double s = Wrap(distanceM - kStartBeforeFirstPointM, total_);
  size_t i = std::upper_bound(cumulative_.begin(), cumulative_.end(), s) - cumulative_.begin();
  i = std::clamp<size_t>(i, 1, points_.size()) - 1;
  const double leg = cumulative_[i + 1] - cumulative_[i];
  const double t = leg > 0 ? (s - cumulative_[i]) / leg : 0;
  const GeoPoint& a = points_[i];
  const GeoPoint& b = points_[(i + 1) % points_.size()];
  return {a.latDeg + (b.latDeg - a.latDeg) * t, a.lonDeg + (b.lonDeg - a.lonDeg) * t};
}

double Route::HeadingAt(double distanceM) const {
  const GeoPoint a = PositionAt(distanceM - kHeadingSpanM / 2);
  const GeoPoint b = PositionAt(distanceM + kHeadingSpanM / 2);
  double e, n;
  Offset(a, b, e, n);
  return Wrap(std::atan2(e, n) * 180.0 / kPi, 360.0);
}

Trip MakeTrip(uint64_t seed, int seconds, int impactTick, const Route& route) {
  Rng rng(seed * 0x2545f4914f6cdd1dull + 17);
  Trip trip;
  trip.impactTick = impactTick;
  const int ticks = std::max(0, seconds) * kMotionPerSecond + 1;
  const double dt = 1.0 / kMotionPerSecond;
  double v = 0;
  double s = 0;
  double target = 0;
  int holdTicks = 3 * kMotionPerSecond;  // the car starts standing
  for (int k = 0; k < ticks; ++k) {
    if (--holdTicks <= 0) {
      if (rng.Uniform() < 0.2) {
        target = 0;  // a red light
        holdTicks = static_cast<int>(rng.Range(12, 25) * kMotionPerSecond);
      } else {
        target = rng.Range(30, 72) / 3.6;
        holdTicks = static_cast<int>(rng.Range(10, 25) * kMotionPerSecond);
      }
    }
    const double wobble = target > 0 ? 0.6 * std::sin(k * 0.07) : 0;
    double want = std::max(0.0, target + wobble);
    // Impacts happen in moving traffic: no red light in the seconds before.
    if (impactTick >= 0 && k < impactTick && k >= impactTick - 12 * kMotionPerSecond) {
      want = std::max(want, 12.0);
    }
    want = std::min(want, CornerSpeedCap(route, s, v));
    // Gentle on the throttle, firmer on the brake.
    const double accel = std::clamp((want - v) * (want < v ? 1.5 : 0.6), -2.8, 1.8);
    v = std::max(0.0, v + accel * dt);
    if (impactTick >= 0 && k >= impactTick) v = 0;
    trip.speedMs.push_back(v);
    trip.distanceM.push_back(s);
    s += v * dt;
  }
  return trip;
}

uint16_t RawFromG(double g) {
  const double raw = 512.0 + g * 256.0;
  return static_cast<uint16_t>(raw < 0 ? 0 : raw > 1023 ? 1023 : raw + 0.5);
}

int RawToMilliG(uint16_t raw) { return (static_cast<int>(raw) - 512) * 1000 / 256; }

GpsText FormatGps(const GeoPoint& p, double speedKmh) {
  // Work in ten-thousandths of a minute so the text never shows 60 minutes.
  auto split = [](double deg, int& whole, int& minutes, int& frac, bool& negative) {
    negative = deg < 0;
    const long long total = std::llround(std::fabs(deg) * 60.0 * 10000.0);
    whole = static_cast<int>(total / 600000);
    minutes = static_cast<int>((total % 600000) / 10000);
    frac = static_cast<int>(total % 10000);
  };
  int latD, latM, latF, lonD, lonM, lonF;
  bool latNeg, lonNeg;
  split(p.latDeg, latD, latM, latF, latNeg);
  split(p.lonDeg, lonD, lonM, lonF, lonNeg);
  const int speedTenths = static_cast<int>(std::lround(std::max(0.0, speedKmh) * 10));
  char text[80];
  std::snprintf(text, sizeof(text), "%s%02d%02d.%04d %s%03d%02d.%04d %d.%d", latNeg ? "-" : "", latD, latM,
                latF, lonNeg ? "-" : "", lonD, lonM, lonF, speedTenths / 10, speedTenths % 10);
  GpsText g;
  g.text = text;
  // degrees + minutes / 60 in millionths: minutes x 10000 + frac are
  // ten-thousandths of a minute, 600000 of them to a degree.
  auto e6 = [](int d, int m, int f, bool neg) {
    const long long micro =
        static_cast<long long>(d) * 1000000 + (static_cast<long long>(m) * 10000 + f) * 10 / 6;
    return static_cast<int32_t>(neg ? -micro : micro);
  };
  g.latitudeE6 = e6(latD, latM, latF, latNeg);
  g.longitudeE6 = e6(lonD, lonM, lonF, lonNeg);
  g.speedX10 = static_cast<int16_t>(speedTenths);
  return g;
}

int16_t SoundSynth::Sample(double speedKmh, bool engineOn, double burst, int rate) {
  noise ^= noise << 13;
  noise ^= noise >> 7;
  noise ^= noise << 17;
  const double white = static_cast<double>(noise >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  double v = 0;
  if (engineOn) {
    const double pitch = 70.0 + 3.2 * speedKmh;
    phase = Wrap(phase + 2 * kPi * pitch / rate, 2 * kPi);
    v = 0.16 * std::sin(phase) + 0.09 * std::sin(2 * phase + 0.5) + 0.05 * std::sin(3 * phase + 1.1) +
        (0.01 + 0.0008 * speedKmh) * white;
  } else {
    v = 0.006 * white;
  }
  v += burst * white;
  const double scaled = std::clamp(v, -1.0, 1.0) * 32767.0;
  return static_cast<int16_t>(std::lround(scaled));
}

}  // namespace orvia::sim
