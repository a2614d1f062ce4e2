#include "output/evidence_pack.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <set>

#include "base/file_io.h"
#include "base/pending_file.h"
#include "base/sha256.h"
#include "library/card_range.h"
#include "library/card_root.h"
#include "output/clip_export.h"
#include "output/evidence_files.h"
#include "output/evidence_picture.h"
#include "output/evidence_report.h"
#include "playback/telemetry.h"
#include "settings/setup_file.h"

namespace orvia {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSideSeconds = 3600;  // --before and --after
// A recording holds at most kMaxSeconds; its name may be a little off its
// telemetry's clock. Recordings named further from the range are not read.
constexpr int64_t kNameSlackSeconds = 2 * kMaxSeconds;
constexpr int kMaxNameSuffix = 99;

// The shares of the whole that each step takes, for the progress callback.
constexpr double kPlanEnd = 0.05, kCopyEnd = 0.70, kClipEnd = 0.85, kReportEnd = 0.92;

// What goes into the pack, found before anything is written.
struct PackPlan {
  std::string cardRoot;  // empty when the recordings lie on no card
  std::string source;    // shown in the report
  TrackTimeZone zone;
  int64_t moment = 0, from = 0, to = 0;
  std::vector<CardRecording> covered;  // every one holding some of the range, in time order
  std::vector<std::string> relative;   // each one's path in the pack
  std::vector<size_t> clip;            // into `covered`: the ones the clip and tracks take
  int64_t fromMs = 0, toMs = 0;        // the clip's range, from the first one's second 0
  int momentRecording = -1;            // into `covered`; -1 when none holds the moment
  int momentSecond = 0;
};

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return (ec ? fs::path(path) : p).lexically_normal().generic_string();
}

// The path of a recording below the card root (its folders and name), or its
// name alone when it lies elsewhere.
std::string PathInPack(const std::string& root, const std::string& path) {
  const fs::path file(Absolute(path));
  if (!root.empty()) {
    const fs::path rel = file.lexically_relative(Absolute(root));
    if (!rel.empty() && *rel.begin() != ".." && *rel.begin() != ".") return rel.generic_string();
  }
  return file.filename().string();
}

double PeakG(const GPeak& p) {
  return std::sqrt(static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y +
                   static_cast<double>(p.z) * p.z);
}

// Where the moment lies: the recording and second whose clock reads it.
void FindMoment(PackPlan& plan) {
  for (size_t r = 0; r < plan.covered.size() && plan.momentRecording < 0; ++r) {
    const CardRecording& rec = plan.covered[r];
    for (size_t s = 0; s < rec.telemetry.seconds.size(); ++s) {
      if (TimeInRecording(rec, static_cast<int>(s)) == plan.moment) {
        plan.momentRecording = static_cast<int>(r);
        plan.momentSecond = static_cast<int>(s);
        break;
      }
    }
  }
}

// The strongest G-sensor second of recordings, on the recorder's clock.
int64_t StrongestSecond(const std::vector<CardRecording>& recordings) {
  double best = -1;
  int64_t when = recordings.empty() ? 0 : TimeInRecording(recordings.front(), 0);
  for (const CardRecording& r : recordings) {
    for (size_t s = 0; s < r.telemetry.seconds.size(); ++s) {
      const double g = PeakG(r.telemetry.seconds[s].peak);
      if (g > best) best = g, when = TimeInRecording(r, static_cast<int>(s));
    }
  }
  return when;
}

class PackWriter {
 public:
  explicit PackWriter(const EvidencePackOptions& options) : o_(options) {}
  EvidencePackResult Run();

 private:
  bool Fail(const std::string& why) {
    if (r_.error.empty()) r_.error = why;
    return false;
  }
  // Reports progress; false (and the result cancelled) when the caller says stop.
  bool Step(const std::string& step, double share) {
    if (!o_.progress || o_.progress(step, std::clamp(share, 0.0, 1.0))) return true;
    r_.cancelled = true;
    return Fail("cancelled");
  }
  bool ReadRecordings(std::vector<CardRecording>& recordings);
  bool PlanFromCard();
  bool PlanFromFiles();
  bool Cover(std::vector<CardRecording> recordings);
  bool Open();
  bool CopyOriginals();
  bool CopySettings();
  bool WriteClip();
  bool WriteTracks();
  bool WriteReport();
  bool WriteSums();
  std::string InPack(const std::string& relative) const { return folder_.TempPath() + "/" + relative; }
  bool Written(const std::string& relative, std::vector<ReportFile>* list);

  const EvidencePackOptions& o_;
  EvidencePackResult r_;
  PackPlan plan_;
  PendingFolder folder_;
  std::string target_;
  std::vector<ReportFile> originals_, derived_;
  std::vector<RecordingTrack> tracks_;
};

// Reads the telemetry of the recordings on this thread (so that progress
// comes on it), and keeps those that read, in time order.
bool PackWriter::ReadRecordings(std::vector<CardRecording>& recordings) {
  std::atomic<bool> stop{false};
  ReadTelemetryOf(
      recordings, "", 1,
      [&](size_t done, size_t total) {
        if (!Step("reading the recordings' telemetry", kPlanEnd * done / std::max<size_t>(total, 1)))
          stop = true;
      },
      &stop);
  if (stop) return false;
  std::erase_if(recordings, [&](const CardRecording& r) {
    if (!r.telemetry.ok) r_.notes.push_back(r.path + ": cannot be read as a recording; left out");
    return !r.telemetry.ok;
  });
  std::stable_sort(recordings.begin(), recordings.end(), [](const CardRecording& a, const CardRecording& b) {
    return TimeInRecording(a, 0) < TimeInRecording(b, 0);
  });
  return true;
}

bool PackWriter::PlanFromCard() {
  plan_.cardRoot = o_.cardRoot;
  plan_.source = o_.cardRoot;
  std::vector<CardRecording> all = CardRecordingsOf(o_.cardRoot);
  std::vector<CardRecording> near;
  for (CardRecording& r : all) {
    if (r.nameTime == 0 ||
        (r.nameTime >= plan_.from - kNameSlackSeconds && r.nameTime < plan_.to + kMaxSeconds))
      near.push_back(std::move(r));
  }
  if (!ReadRecordings(near)) return false;
  return Cover(std::move(near));
}

bool PackWriter::PlanFromFiles() {
  std::vector<std::string> files;
  std::set<std::string> seen;
  for (const std::string& f : o_.recordings) {
    struct stat st {};
    if (::stat(f.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Fail(f + ": no such recording");
    if (seen.insert(Absolute(f)).second) files.push_back(f);
  }
  plan_.cardRoot = CardRootOfRecording(files.front());
  plan_.source =
      plan_.cardRoot.empty() ? fs::path(Absolute(files.front())).parent_path().string() : plan_.cardRoot;
  std::vector<CardRecording> recordings = CardRecordingsAt(files);
  const size_t given = recordings.size();
  if (!ReadRecordings(recordings)) return false;
  if (recordings.size() != given) return Fail(r_.notes.back());
  if (o_.moment.empty()) {
    // The recordings whole, around their strongest second.
    const CardRecording& last = recordings.back();
    plan_.moment = StrongestSecond(recordings);
    plan_.from = TimeInRecording(recordings.front(), 0);
    plan_.to = TimeInRecording(last, std::max<int>(1, last.telemetry.seconds.size()) - 1) + 1;
  }
  return Cover(std::move(recordings));
}

// The recordings that hold the range, their paths in the pack and the
// moment's place among them. Every recording that holds some of the range is
// an original of the pack, also one whose time another one covers already;
// the clip and the tracks take each second once.
bool PackWriter::Cover(std::vector<CardRecording> recordings) {
  const RecordingRange range = RecordingsCovering(recordings, plan_.from, plan_.to);
  if (range.recordings.empty())
    return Fail("no recording of " + plan_.source + " holds " + ReportTimeText(plan_.from) + " to " +
                ReportTimeText(plan_.to - 1));
  const std::set<size_t> forClip(range.recordings.begin(), range.recordings.end());
  std::set<std::string> names;
  for (size_t i = 0; i < recordings.size(); ++i) {
    const int64_t start = TimeInRecording(recordings[i], 0);
    const int64_t end = start + static_cast<int64_t>(recordings[i].telemetry.seconds.size());
    if (!forClip.count(i) && (end <= plan_.from || start >= plan_.to)) continue;
    if (forClip.count(i)) plan_.clip.push_back(plan_.covered.size());
    plan_.covered.push_back(recordings[i]);
    plan_.relative.push_back(PathInPack(plan_.cardRoot, recordings[i].path));
    if (!names.insert(plan_.relative.back()).second)
      return Fail("two recordings would both be " + plan_.relative.back() + " in the pack");
  }
  plan_.fromMs = range.fromMs;
  plan_.toMs = range.toMs;
  plan_.zone = CardTimeZone(plan_.cardRoot);
  FindMoment(plan_);
  if (plan_.momentRecording < 0)
    r_.notes.push_back("no recording holds the moment itself: the report has no pictures of it");
  return true;
}

// A new temporary folder beside the first free pack name.
bool PackWriter::Open() {
  std::error_code ec;
  if (!fs::is_directory(o_.outputFolder, ec)) return Fail(o_.outputFolder + ": no such folder");
  const std::string base = (fs::path(o_.outputFolder) / EvidencePackName(plan_.moment)).string();
  target_ = base;
  for (int n = 2; n <= kMaxNameSuffix && fs::exists(fs::symlink_status(target_, ec)); ++n)
    target_ = base + "_" + std::to_string(n);
  std::string why;
  if (!folder_.Create(target_, &why)) return Fail("cannot make the pack " + target_ + ": " + why);
  return true;
}

// Hashes a file just written into the pack and lists it for the report.
bool PackWriter::Written(const std::string& relative, std::vector<ReportFile>* list) {
  const FileDigest d = Sha256OfFile(InPack(relative));
  if (!d.ok) return Fail("cannot read back " + relative + ": " + d.error);
  if (list) list->push_back({relative, d.size, d.hex});
  r_.files.push_back(relative);
  return true;
}

bool PackWriter::CopyOriginals() {
  uint64_t total = 0, done = 0;
  for (const CardRecording& r : plan_.covered) {
    std::error_code ec;
    total += fs::file_size(r.path, ec);
  }
  for (size_t i = 0; i < plan_.covered.size(); ++i) {
    const std::string& rel = plan_.relative[i];
    std::error_code ec;
    fs::create_directories(fs::path(InPack(rel)).parent_path(), ec);
    if (ec) return Fail("cannot make the folder of " + rel + ": " + WriteErrorText(ec.value()));
    Sha256 hash;
    uint64_t size = 0;
    std::string why;
    const bool copied = CopyFileDurably(
        plan_.covered[i].path, InPack(rel),
        [&](std::string_view block) {
          hash.Update(block.data(), block.size());
          size += block.size();
          return Step("copying " + rel,
                      kPlanEnd + (kCopyEnd - kPlanEnd) * (done + size) / std::max<uint64_t>(total, 1));
        },
        &why);
    if (!copied) return Fail(why);
    done += size;
    originals_.push_back({rel, size, HexDigest(hash.Finish())});
    r_.files.push_back(rel);
  }
  return true;
}

bool PackWriter::CopySettings() {
  const std::string setup = plan_.cardRoot.empty() ? std::string() : SetupDatPath(plan_.cardRoot);
  std::error_code ec;
  if (setup.empty() || !fs::is_regular_file(setup, ec)) {
    r_.notes.push_back("no Config/setup.dat beside the recordings: times in UTC are not known");
    return true;
  }
  const std::string rel = PathInPack(plan_.cardRoot, setup);
  fs::create_directories(fs::path(InPack(rel)).parent_path(), ec);
  std::string why;
  if (!CopyFileDurably(setup, InPack(rel), {}, &why)) return Fail(why);
  return Written(rel, &derived_);
}

bool PackWriter::WriteClip() {
  if (!Step("writing the clip", kCopyEnd)) return false;
  std::vector<std::string> copies;
  for (size_t i : plan_.clip) copies.push_back(InPack(plan_.relative[i]));
  ClipExportOptions options;
  options.zoneKnown = plan_.zone.known;
  options.utcOffsetMinutes = plan_.zone.utcOffsetMinutes;
  options.progress = [&](double share) {
    return Step("writing the clip", kCopyEnd + (kClipEnd - kCopyEnd) * share);
  };
  const ClipExportResult clip =
      ExportClipAcross(copies, plan_.fromMs, plan_.toMs, InPack("clip.mp4"), options);
  if (r_.cancelled) return false;
  if (!clip.ok) return Fail("cannot write the clip: " + clip.error);
  if (clip.stoppedAtGap) r_.notes.push_back("the clip stops early: " + clip.note);
  return Written("clip.mp4", &derived_);
}

// The GPS track and the G-sensor table of the range, from the pack's copies.
bool PackWriter::WriteTracks() {
  for (size_t i : plan_.clip) {
    RecordingTrack t;
    std::string why;
    if (!LoadTrack(InPack(plan_.relative[i]), t, &why)) return Fail(why);
    tracks_.push_back(std::move(t));
  }
  KeepSecondsWithin(tracks_, plan_.from, plan_.to);
  for (const auto& [name, text] : {std::pair{"track.gpx", GpxText(tracks_, plan_.zone)},
                                   std::pair{"gsensor.csv", CsvText(tracks_, plan_.zone)}}) {
    std::string why;
    if (!WriteFileDurably(InPack(name), text, &why))
      return Fail(std::string("cannot write ") + name + ": " + why);
    if (!Written(name, &derived_)) return false;
  }
  return true;
}

bool PackWriter::WriteReport() {
  if (!Step("drawing the report", kClipEnd)) return false;
  EvidenceReportInput in;
  in.program = std::string("Orvia ") + ORVIA_VERSION_TEXT;
  in.madeAt = static_cast<int64_t>(std::time(nullptr));
  in.source = plan_.source;
  in.moment = plan_.moment;
  in.from = plan_.from;
  in.to = plan_.to;
  in.zone = plan_.zone;
  in.tracks = tracks_;
  in.originals = originals_;
  in.derived = derived_;
  in.notes = r_.notes;
  for (int s = 0; s < 2; ++s) {
    if (plan_.momentRecording < 0) {
      in.pictureNote[s] = "no recording holds the moment";
      continue;
    }
    const std::string copy = InPack(plan_.relative[plan_.momentRecording]);
    // The picture on screen in the middle of the moment's second.
    if (!DecodePictureAt(copy, s, plan_.momentSecond * 1000 + 500, in.pictures[s], &in.pictureNote[s]))
      in.pictures[s] = {};
  }
  std::string why;
  if (!WriteEvidenceReport(in, InPack("report.pdf"), &why)) return Fail("cannot write the report: " + why);
  return Written("report.pdf", nullptr);
}

// SHA256SUMS over every file, each read back from the pack; an original
// whose copy no longer matches what was read from the card fails the pack.
bool PackWriter::WriteSums() {
  std::vector<std::string> files;
  if (!ListPackFiles(folder_.TempPath(), files)) return Fail("cannot list the pack's files");
  std::string sums;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!Step("checking " + files[i], kReportEnd + (1 - kReportEnd) * i / files.size())) return false;
    const FileDigest d = Sha256OfFile(InPack(files[i]));
    if (!d.ok) return Fail("cannot read back " + files[i] + ": " + d.error);
    for (const ReportFile& o : originals_) {
      if (o.path == files[i] && o.sha256 != d.hex)
        return Fail("the copy of " + o.path + " differs from the card's file (a failing medium?)");
    }
    sums += SumsLine({d.hex, files[i]});
  }
  std::string why;
  if (!WriteFileDurably(InPack(kSumsFileName), sums, &why)) return Fail("cannot write SHA256SUMS: " + why);
  r_.files.push_back(kSumsFileName);
  return true;
}

EvidencePackResult PackWriter::Run() {
  if (o_.beforeSeconds < 0 || o_.afterSeconds < 0 || o_.beforeSeconds > kMaxSideSeconds ||
      o_.afterSeconds > kMaxSideSeconds) {
    Fail("the seconds before and after must be 0.." + std::to_string(kMaxSideSeconds));
    return r_;
  }
  if (o_.cardRoot.empty() == o_.recordings.empty()) {
    Fail("give a card or recordings");
    return r_;
  }
  if (!o_.moment.empty() || !o_.cardRoot.empty()) {
    const std::optional<int64_t> moment = ParseLocalDateTime(o_.moment);
    if (!moment) {
      Fail("the moment '" + o_.moment + "' is not a date-time like 2026-12-07T08:36:24");
      return r_;
    }
    // The moment's second with the seconds before and after it.
    plan_.moment = *moment;
    plan_.from = *moment - o_.beforeSeconds;
    plan_.to = *moment + 1 + o_.afterSeconds;
  }
  const bool ok = (o_.cardRoot.empty() ? PlanFromFiles() : PlanFromCard()) && Open() && CopyOriginals() &&
                  CopySettings() && WriteClip() && WriteTracks() && WriteReport() && WriteSums();
  std::string why;
  if (!ok || !folder_.Commit(&why)) {
    folder_.Discard();
    Fail("cannot make the pack " + target_ + ": " + why);
    r_.files.clear();
    return r_;
  }
  r_.ok = true;
  r_.packFolder = target_;
  if (o_.progress) o_.progress("done", 1);
  return r_;
}

}  // namespace

std::string EvidencePackName(int64_t moment) {
  std::string text = IsoTimeText(moment);  // "2026-12-07T08:36:24"
  std::erase_if(text, [](char c) { return c == '-' || c == ':'; });
  std::replace(text.begin(), text.end(), 'T', '_');
  return "evidence_" + text;
}

EvidencePackResult WriteEvidencePack(const EvidencePackOptions& options) { return PackWriter(options).Run(); }

}  // namespace orvia
