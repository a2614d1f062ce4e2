// The simulated car: where it drives, how fast, what its G-sensor feels and
// its GPS receiver reports, and what its microphone hears. Everything is a
// pure function of a seed and the requested times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvia::sim {

// Deterministic pseudo-random numbers (splitmix64), identical on every
// platform, unlike the standard distributions.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform();  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t state_;
};

enum class Hemisphere { kNorthEast, kNorthWest, kSouthEast, kSouthWest };

// Parses "NE", "NW", "SE" or "SW" (any case); false otherwise.
bool ParseHemisphere(const std::string& text, Hemisphere& out);

struct GeoPoint {
  double latDeg = 0;  // negative south
  double lonDeg = 0;  // negative west
};

// A closed loop of city streets, driven round and round.
class Route {
 public:
  explicit Route(Hemisphere h);
  double LengthM() const { return total_; }
  GeoPoint PositionAt(double distanceM) const;
  // Heading in degrees clockwise from north, smoothed over about 50 m so that
  // corners turn gradually.
  double HeadingAt(double distanceM) const;

 private:
  std::vector<GeoPoint> points_;
  std::vector<double> cumulative_;  // distance from the first point to point i
  double total_ = 0;
};

constexpr int kMotionPerSecond = 10;  // G-sensor samples per second

// Speed of the car, sampled kMotionPerSecond times a second over a trip
// along `route`: stop-and-go city driving toward random targets with limited
// acceleration, slowing for corners. An impact at `impactTick` (or none when
// negative) stops the car dead.
struct Trip {
  std::vector<double> speedMs;    // per tick
  std::vector<double> distanceM;  // per tick, from the trip start
  int impactTick = -1;
};
Trip MakeTrip(uint64_t seed, int seconds, int impactTick, const Route& route);

// Raw G-sensor sample: 512 = 0 g, 256 counts per g.
struct RawMotion {
  uint16_t x = 512, y = 512, z = 768;
};
uint16_t RawFromG(double g);
int RawToMilliG(uint16_t raw);  // (raw - 512) * 1000 / 256, truncated toward zero

// GPS text of one 'G' record (without the 'G'): latitude and longitude as
// ddmm.mmmm, speed in km/h with one decimal, separated by single blanks;
// negative numbers for south and west. The expected stored values are what a
// reader following the ddmm.mmmm rules computes from that text.
struct GpsText {
  std::string text;
  int32_t latitudeE6 = 0;  // expected, millionths of a degree
  int32_t longitudeE6 = 0;
  int16_t speedX10 = 0;
};
GpsText FormatGps(const GeoPoint& p, double speedKmh);

// 16-bit PCM samples at `rate` of an engine whose pitch follows the speed;
// `speedKmhAt` gives the speed per sample; `engineOn` false gives the hiss of
// a parked car. Continues the phase kept in `phase`.
struct SoundSynth {
  double phase = 0;
  uint64_t noise = 0x9e3779b97f4a7c15ull;
  int16_t Sample(double speedKmh, bool engineOn, double burst, int rate);
};

}  // namespace orvia::sim
