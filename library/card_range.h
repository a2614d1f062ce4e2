// Which of a card's recordings hold a stretch of the recorder's clock, and
// the recorder's local date-times as text. Plain logic, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library/card_trips.h"

namespace orvia {

// "2026-12-07T08:35:50" (the recorder's clock, as the list shows it) as
// seconds of that clock broken down as UTC; nothing for any other text.
std::optional<int64_t> ParseLocalDateTime(const std::string& text);

struct RecordingRange {
  std::vector<size_t> recordings;  // indices into the recordings given, in time order
  int64_t fromMs = 0;              // the range's start, from the first one's second 0
  int64_t toMs = 0;                // its end, on the same scale
};

// The recordings (given in time order, their telemetry read) that hold any
// of [from, to) of the recorder's clock, in seconds; none when none does.
RecordingRange RecordingsCovering(const std::vector<CardRecording>& recordings, int64_t from, int64_t to);

}  // namespace orvia
