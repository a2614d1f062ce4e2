// orvia-cli bench events CARD_ROOT [--copies N]: what the card-wide view
// reads of each recording (bytes asked, against the allowance of its idx1
// and against the file's size) and its time against playback's chunk walk
// over the same files (both warm); then the time of a second, cached run
// over N recordings (hard links to the card's, default 1,000).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "library/card_trips.h"
#include "library/telemetry_cache.h"
#include "tools/commands.h"

namespace orvia::cli {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::vector<std::string> CardFiles(const std::string& root) {
  std::vector<std::string> files;
  for (int m = 0; m < kModeCount; ++m)
    for (const FoundRecording& f : FindModeRecordings(root, static_cast<RecordingMode>(m)))
      files.push_back(f.path);
  return files;
}

// A card of `copies` recordings linked (or copied) from `files`, named a
// second apart.
bool MakeCopies(const std::vector<std::string>& files, int copies, const fs::path& root) {
  const fs::path folder = root / "Normal" / "20261207";
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (int i = 0; i < copies && !ec; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "mdr_20261207_%02d%02d%02d.avi", 8 + i / 3600, i / 60 % 60, i % 60);
    const fs::path target = folder / name;
    fs::create_hard_link(files[static_cast<size_t>(i) % files.size()], target, ec);
    if (ec) {
      ec.clear();
      fs::copy_file(files[static_cast<size_t>(i) % files.size()], target, ec);
    }
  }
  return !ec;
}

}  // namespace

int RunBenchEvents(int argc, char** argv) {
  const char* root = nullptr;
  int copies = 1000;
  for (int i = 0; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--copies") && i + 1 < argc) {
      copies = std::atoi(argv[++i]);
    } else if (!root && argv[i][0] != '-') {
      root = argv[i];
    } else {
      root = nullptr;
      break;
    }
  }
  if (!root || copies < 1 || copies > 36000) {
    std::fputs("usage: orvia-cli bench events CARD_ROOT [--copies N (1..36000)]\n", stderr);
    return 2;
  }
  const std::vector<std::string> files = CardFiles(root);
  if (files.empty()) {
    std::fprintf(stderr, "orvia-cli bench events: %s holds no recordings\n", root);
    return 2;
  }
  uint64_t read = 0, allowed = 0, sizes = 0;
  double ours = 0, walk = 0;
  for (const std::string& path : files) {
    // Both sides once untimed, so that each is timed on a file in the page
    // cache rather than the first paying for the second.
    ReadRecordingTelemetry(path);
    RecordingIndex warm;
    OpenRecording(path, warm);
    const auto t0 = Clock::now();
    const RecordingTelemetry t = ReadRecordingTelemetry(path);
    ours += Seconds(Clock::now() - t0);
    const auto t1 = Clock::now();
    RecordingIndex index;
    OpenRecording(path, index);
    walk += Seconds(Clock::now() - t1);
    const uint64_t allowance = kHeadReadBytes + t.idx1Bytes + kTelemetryReadBytes * t.telemetryRecords;
    const uint64_t size = fs::file_size(path);
    std::printf("%s: %llu bytes read, allowance %llu, file %llu (%.2f%% of it), %s\n", path.c_str(),
                static_cast<unsigned long long>(t.bytesRead), static_cast<unsigned long long>(allowance),
                static_cast<unsigned long long>(size), 100.0 * static_cast<double>(t.bytesRead) / size,
                t.fromIndex ? "through idx1" : "by the chunk walk");
    read += t.bytesRead;
    allowed += allowance;
    sizes += size;
  }
  std::printf(
      "card: %llu bytes read of %llu (%.2f%%), allowance %llu; %.1f ms against %.1f ms for the chunk walk\n",
      static_cast<unsigned long long>(read), static_cast<unsigned long long>(sizes),
      100.0 * static_cast<double>(read) / sizes, static_cast<unsigned long long>(allowed), ours * 1e3,
      walk * 1e3);

  char scratch[] = "/tmp/orvia-bench-events-XXXXXX";
  if (!mkdtemp(scratch)) return 1;
  const fs::path base(scratch);
  int status = 0;
  if (MakeCopies(files, copies, base / "card")) {
    const std::string cache = (base / "cache").string();
    const auto t0 = Clock::now();
    const size_t first =
        SummariseCard(ReadCardRecordings((base / "card").string(), cache), {}).recordings.size();
    const double cold = Seconds(Clock::now() - t0);
    const auto t1 = Clock::now();
    SummariseCard(ReadCardRecordings((base / "card").string(), cache), {});
    const double cached = Seconds(Clock::now() - t1);
    std::printf("%zu recordings: first run %.3f s, second (cached) run %.3f s (target at most 0.2 s)\n",
                first, cold, cached);
  } else {
    std::fputs("orvia-cli bench events: the copies could not be made\n", stderr);
    status = 1;
  }
  std::error_code ec;
  fs::remove_all(base, ec);
  return status;
}

}  // namespace orvia::cli
