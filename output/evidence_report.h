// The report of an evidence pack as a PDF page (A4, more pages only when the
// lists of files run long): the moment on the recorder's clock and in UTC,
// the place, the route of the range as a line, speed and G around the
// moment, the front and rear pictures of that second, and the pack's files
// with sizes and SHA-256. Drawn with Qt (QPdfWriter); a QGuiApplication must
// exist. The header is plain C++, so that the pack's writer needs no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/track_export.h"
#include "player/frame_converter.h"

namespace orvia {

struct ReportFile {
  std::string path;  // relative to the pack
  uint64_t size = 0;
  std::string sha256;
};

struct EvidenceReportInput {
  std::string program;  // "Orvia 1.0.0.1"
  int64_t madeAt = 0;   // when the pack was made, Unix time (UTC)
  std::string source;   // the card or folder the recordings came from
  int64_t moment = 0;   // the recorder's clock, broken down as UTC
  int64_t from = 0;     // the range [from, to), same clock
  int64_t to = 0;
  TrackTimeZone zone;  // the card's zone, for UTC
  // The seconds of the range (tracks cut to it), for the place, route and
  // graphs.
  std::vector<RecordingTrack> tracks;
  // The moment's pictures; a picture with no pixels is drawn as an empty
  // frame with `pictureNote[i]` in it.
  player::RgbImage pictures[2];
  std::string pictureNote[2];
  std::vector<ReportFile> originals;  // the recordings, byte for byte
  std::vector<ReportFile> derived;    // setup.dat, clip, track, table
  std::vector<std::string> notes;
};

// Draws the report and writes it to `path` (through WriteFileDurably).
// False with `error` when it cannot be drawn or written.
bool WriteEvidenceReport(const EvidenceReportInput& input, const std::string& path, std::string* error);

// "2026-12-07 08:36:24": a time of a clock broken down as UTC, for people.
std::string ReportTimeText(int64_t t);

}  // namespace orvia
