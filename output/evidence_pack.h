// An evidence pack: one folder that holds what a moment of the recorder's
// clock needs as evidence and proves itself. It holds the original
// recordings that cover the moment with some seconds before and after,
// copied byte for byte with their folders below the card root; the card's
// Config/setup.dat as it was; a clip of the range (MP4), its GPS track (GPX)
// and G-sensor table (CSV); a report (report.pdf) with the moment in local
// time and UTC, the place, the route, speed and G, the front and rear
// pictures of that second and the originals' sizes and SHA-256; and
// SHA256SUMS over every other file, which `sha256sum -c` and
// `orvia-cli verify` check.
//
// The pack is filled under a temporary name beside its final one and
// renamed when whole; on any failure (a card pulled, a full disk), on
// cancel and on SIGINT/SIGTERM/SIGHUP the temporary folder is removed, so a
// folder under a pack's name is always whole. What is derived (clip, track,
// table, pictures) is made from the pack's copies, not read again from the
// card.
//
// Threads: runs on the calling thread; the progress callback comes on it.
// The report is drawn with Qt: a QGuiApplication must exist (offscreen is
// enough).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvia {

struct EvidencePackOptions {
  // Either a card, searched for the recordings that cover the range ...
  std::string cardRoot;
  // ... or recordings named by path (their card, for its settings and the
  // folders below it, is found from the first one).
  std::vector<std::string> recordings;
  // The moment, on the recorder's clock: "2026-12-07T08:36:24". Needed with
  // a card. With recordings and no moment, the range is the recordings
  // whole and the moment their strongest G-sensor second.
  std::string moment;
  int beforeSeconds = 30;
  int afterSeconds = 30;
  // The pack becomes a new folder here, named after the moment
  // (evidence_20261207_083624, with _2, _3, ... when that name is taken).
  std::string outputFolder;
  // Called now and then with what is being done and the share done (0..1);
  // returning false cancels.
  std::function<bool(const std::string& step, double share)> progress;
};

struct EvidencePackResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;       // what went wrong, for the user
  std::string packFolder;  // the whole pack, when ok
  // Relative to the pack folder, in the order written; SHA256SUMS last.
  std::vector<std::string> files;
  // What the user should know of a whole pack (a clip that stops at a gap,
  // a second without a GPS fix, a card without settings, ...).
  std::vector<std::string> notes;
};

EvidencePackResult WriteEvidencePack(const EvidencePackOptions& options);

// The folder name of a pack for a moment of the recorder's clock:
// "evidence_20261207_083624".
std::string EvidencePackName(int64_t moment);

}  // namespace orvia
