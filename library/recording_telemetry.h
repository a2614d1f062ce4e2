// The telemetry of one recording for the card-wide view: per second its time,
// G-sensor peak and first GPS fix, read from the telemetry chunks alone.
//
// The file's own idx1 index (at its end) says where those chunks lie, so only
// the file's head, idx1 and a small read per telemetry record are read, with
// the kernel's read-ahead off: a 100 MB recording costs a few hundred KB of
// card reads. A file without a usable idx1 (cut by power loss, idx1 short,
// pointing outside the file or at other chunks) is walked chunk by chunk as
// playback indexes it. Plain logic, no Qt.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "playback/recording_index.h"

namespace orvia {

struct TelemetrySecond {
  int32_t unixTime = 0;  // the recorder's wall clock, broken down as UTC
  GPeak peak;            // the sample of largest magnitude
  bool hasFix = false;
  GpsFix fix{};  // the second's first GPS fix
};

struct RecordingTelemetry {
  bool ok = false;         // an AVI whose telemetry could be read (maybe none)
  bool fromIndex = false;  // read through idx1, else by the chunk walk
  std::vector<TelemetrySecond> seconds;
  uint64_t bytesRead = 0;  // bytes asked of the file
  // Through idx1: its size (with its chunk head) and the telemetry records
  // read, which bound what is read: kHeadReadBytes + idx1Bytes +
  // kTelemetryReadBytes per record.
  uint64_t idx1Bytes = 0;
  uint64_t telemetryRecords = 0;
};

// The bytes read per telemetry record through idx1: its chunk head and the
// record (motion and GPS records are shorter).
constexpr size_t kTelemetryReadBytes = 64;
// The head read first: the RIFF head, hdrl and usually the movi list's head.
constexpr size_t kHeadReadBytes = 8192;

RecordingTelemetry ReadRecordingTelemetry(const std::string& path);
// The same over bytes in memory (tests, fuzzing).
RecordingTelemetry ReadRecordingTelemetryBytes(std::span<const uint8_t> bytes);

}  // namespace orvia
