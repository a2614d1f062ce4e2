// orvia-cli trips CARD_ROOT and orvia-cli events CARD_ROOT [--speed-limit KMH]:
// the card's trips and events as JSON, read through the telemetry cache.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "library/card_trips.h"
#include "library/telemetry_cache.h"
#include "playback/telemetry.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {
namespace {

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", std::round(v * 1e6) / 1e6);
  return text;
}

std::string Optional(const std::optional<double>& v) { return v ? Number(*v) : "null"; }

// Reads the card and says once on stderr which recordings could not be read.
std::optional<CardSummary> ReadCard(const char* command, int argc, char** argv, EventOptions* options) {
  const char* root = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (options && !std::strcmp(argv[i], "--speed-limit") && i + 1 < argc) {
      char* end = nullptr;
      options->speedLimitKmh = std::strtod(argv[++i], &end);
      if (*end || !(options->speedLimitKmh > 0)) {
        std::fprintf(stderr, "orvia-cli %s: --speed-limit takes a speed in km/h above 0\n", command);
        return std::nullopt;
      }
    } else if (!root && argv[i][0] != '-') {
      root = argv[i];
    } else {
      root = nullptr;
      break;
    }
  }
  if (!root) {
    std::fprintf(stderr, "usage: orvia-cli %s CARD_ROOT%s\n", command, options ? " [--speed-limit KMH]" : "");
    return std::nullopt;
  }
  CardSummary card =
      SummariseCard(ReadCardRecordings(root, TelemetryCacheFolder()), options ? *options : EventOptions{});
  for (const size_t i : card.unreadable)
    std::fprintf(stderr, "orvia-cli %s: %s could not be read; it is left out\n", command,
                 card.recordings[i].path.c_str());
  return card;
}

}  // namespace

int RunTrips(int argc, char** argv) {
  const std::optional<CardSummary> card = ReadCard("trips", argc, argv, nullptr);
  if (!card) return 2;
  std::string o = "[";
  for (size_t i = 0; i < card->trips.size(); ++i) {
    const Trip& t = card->trips[i];
    o += i ? ",\n " : "";
    o += "{\"kind\":" + JsonString(t.parking ? "parking" : "drive") +
         ",\"start\":" + JsonString(IsoTimeText(t.start)) + ",\"end\":" + JsonString(IsoTimeText(t.end)) +
         ",\"seconds\":" + std::to_string(t.end - t.start) +
         ",\"distanceM\":" + Number(std::round(t.distanceM)) + ",\"topSpeedKmh\":" + Number(t.topSpeedKmh) +
         ",\"avgMovingSpeedKmh\":" + Number(std::round(t.avgMovingSpeedKmh * 10) / 10) +
         ",\"events\":" + std::to_string(t.events) + ",\"recordings\":[";
    for (size_t k = 0; k < t.recordings.size(); ++k)
      o += (k ? "," : "") + JsonString(card->recordings[t.recordings[k]].path);
    o += "]}";
  }
  o += "]\n";
  std::fwrite(o.data(), 1, o.size(), stdout);
  return 0;
}

int RunEvents(int argc, char** argv) {
  EventOptions options;
  const std::optional<CardSummary> card = ReadCard("events", argc, argv, &options);
  if (!card) return 2;
  std::string o = "[";
  for (size_t i = 0; i < card->events.size(); ++i) {
    const CardEvent& e = card->events[i];
    o += i ? ",\n " : "";
    o += "{\"kind\":" + JsonString(EventKindName(e.kind)) + ",\"time\":" + JsonString(IsoTimeText(e.time)) +
         ",\"recording\":" + JsonString(card->recordings[e.recording].path) +
         ",\"second\":" + std::to_string(e.second) + ",\"peakG\":" + Optional(e.peakG) +
         ",\"speedKmh\":" + Optional(e.speedKmh) + ",\"speedChangeKmh\":" + Optional(e.speedChangeKmh) +
         ",\"latitude\":" + Optional(e.latitude) + ",\"longitude\":" + Optional(e.longitude) + "}";
  }
  o += "]\n";
  std::fwrite(o.data(), 1, o.size(), stdout);
  return 0;
}

}  // namespace orvia::cli
