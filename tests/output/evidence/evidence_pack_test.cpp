// Evidence packs made from the demo card, whose impact is at 2026-12-07
// 08:36:24 in Event/20261207/mdr_20261207_083600.avi, checked with tools
// that are not ours: sha256sum for the copies and the list of sums,
// pdftotext for the report, ffprobe for the clip. A changed byte is found
// by orvia-cli verify, and a pack that fails half-way (a full disk, a card
// pulled, a cancel) leaves no folder behind.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "library/card_range.h"
#include "output/evidence_pack.h"
#include "playback/recording_index.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

namespace fs = std::filesystem;

const std::string kCli = ORVIA_CLI;
const std::string kMoment = "2026-12-07T08:36:24";
const std::string kEvent = "Event/20261207/mdr_20261207_083600.avi";
const std::string kBefore = "Normal/20261207/mdr_20261207_083500.avi";

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; its exit status, and stdout + stderr in `output`.
int Shell(const std::string& command, std::string* output = nullptr) {
  std::string text;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) text.append(buf.data(), n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The demo card: the one ctest's fixture wrote (ORVIA_EVIDENCE_DEMO_CARD),
// else written once by this process.
const std::string& DemoCard() {
  static test::TempDir own;
  static const std::string root = [] {
    const char* shared = std::getenv("ORVIA_EVIDENCE_DEMO_CARD");
    if (shared && fs::exists(std::string(shared) + "/" + kEvent)) return std::string(shared);
    std::string out;
    EXPECT_EQ(Shell(kCli + " make-card " + Quote(own / "card") + " --layout demo --quiet --jobs 2", &out), 0)
        << out;
    return own / "card";
  }();
  return root;
}

std::string Sha256sum(const std::string& path) {
  std::string out;
  Shell("sha256sum " + Quote(path), &out);
  return out.substr(0, 64);
}

size_t Entries(const std::string& folder) {
  std::error_code ec;
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder, ec), fs::directory_iterator()));
}

// Millionths of a degree as the report writes them ("37.509343").
std::string Degrees(int32_t e6) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%06d", e6 < 0 ? "-" : "", std::abs(e6) / 1000000,
                std::abs(e6) % 1000000);
  return text;
}

// The GPS fix the card's telemetry holds for the moment's second.
std::string MomentPlace() {
  RecordingIndex index;
  const RecordingFile file = OpenRecording(DemoCard() + "/" + kEvent, index);
  const int64_t moment = ParseLocalDateTime(kMoment).value_or(0);
  for (int i = 0; i < index.secondCount; ++i) {
    if (index.unixTime[i] == moment && index.gps[i])
      return Degrees(index.gps[i]->latitude) + ", " + Degrees(index.gps[i]->longitude);
  }
  return "no fix";
}

TEST(EvidencePack, DemoImpactPackProvesItselfAndVerifyFindsAChangedByte) {
  test::TempDir out;
  std::string text;
  ASSERT_EQ(Shell(kCli + " pack " + Quote(DemoCard()) + " --at " + kMoment + " --before 30 --after 30 " +
                      Quote(out.path()),
                  &text),
            0)
      << text;
  const std::string pack = out / "evidence_20261207_083624";
  EXPECT_EQ(text.substr(0, text.find('\n')), pack);
  EXPECT_EQ(Entries(out.path()), 1u) << "the pack alone, no temporary folder";

  // The originals byte for byte, under their folders below the card root.
  for (const std::string& rel : {kBefore, kEvent, std::string("Config/setup.dat")})
    EXPECT_EQ(Sha256sum(pack + "/" + rel), Sha256sum(DemoCard() + "/" + rel)) << rel;
  // sha256sum accepts the list, and the list names every other file.
  ASSERT_EQ(Shell("cd " + Quote(pack) + " && sha256sum --strict -c SHA256SUMS", &text), 0) << text;
  std::string listed, present;
  Shell("cd " + Quote(pack) + " && cut -c 67- SHA256SUMS | sort", &listed);
  Shell("cd " + Quote(pack) + " && find . -type f ! -name SHA256SUMS | cut -c 3- | sort", &present);
  EXPECT_EQ(listed, present);
  EXPECT_NE(listed.find("clip.mp4\ngsensor.csv\nreport.pdf\ntrack.gpx\n"), std::string::npos) << listed;

  // The range: 30 s before the moment's second and 30 s after it.
  Shell("wc -l < " + Quote(pack + "/gsensor.csv"), &text);
  EXPECT_EQ(std::stoi(text), 1 + 61);
  Shell("grep -o '<time>[^<]*' " + Quote(pack + "/track.gpx") + " | sed -n '1p;$p'", &text);
  EXPECT_EQ(text, "<time>2026-12-06T23:35:54Z\n<time>2026-12-06T23:36:54Z\n");
  Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quote(pack + "/clip.mp4"), &text);
  EXPECT_GE(std::atof(text.c_str()), 60.0) << text;
  EXPECT_LE(std::atof(text.c_str()), 64.0) << text;

  // The report: the moment on both clocks, the place of that second, every
  // original's SHA-256 and the program that made it.
  ASSERT_EQ(Shell("pdftotext -layout " + Quote(pack + "/report.pdf") + " -", &text), 0) << text;
  for (const std::string& want :
       {std::string("2026-12-07 08:36:24"), std::string("2026-12-06 23:36:24 UTC"), MomentPlace(),
        Sha256sum(DemoCard() + "/" + kEvent), Sha256sum(DemoCard() + "/" + kBefore),
        std::string("Orvia ") + ORVIA_VERSION_TEXT})
    EXPECT_NE(text.find(want), std::string::npos) << want << " not in\n" << text;

  ASSERT_EQ(Shell(kCli + " verify " + Quote(pack), &text), 0) << text;
  EXPECT_NE(text.find("whole"), std::string::npos) << text;
  // One byte of one original changed: verify names that file, and only it.
  std::fstream f(pack + "/" + kEvent, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(100000);
  const char old = static_cast<char>(f.get());
  f.seekp(100000);
  f.put(static_cast<char>(old ^ 0x20));
  f.close();
  EXPECT_EQ(Shell(kCli + " verify " + Quote(pack), &text), 1) << text;
  EXPECT_NE(text.find(kEvent + ": differs"), std::string::npos) << text;
  EXPECT_EQ(text.find(kBefore), std::string::npos) << text;
}

// A disk that fills up while the originals are copied: exit 1 with the
// reason, and the disk holds nothing afterwards (a tmpfs of 4 MB in a
// mount namespace of the test's own; the two originals need 6 MB).
TEST(EvidencePack, FullDiskLeavesNoPack) {
  if (Shell("unshare -rm true") != 0) GTEST_SKIP() << "no private mount namespace here (unshare -rm refused)";
  test::TempDir out;
  std::string text;
  const std::string script = "mount -t tmpfs -o size=4m none " + Quote(out.path()) + " || exit 3; " + kCli +
                             " pack " + Quote(DemoCard()) + " --at " + kMoment + " " + Quote(out.path()) +
                             "; echo \"rc=$?\"; ls -A " + Quote(out.path());
  ASSERT_EQ(Shell("unshare -rm sh -c " + Quote(script), &text), 0) << text;
  EXPECT_NE(text.find("the disk is full"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.find("rc=")), "rc=1\n") << "a pack or a temporary file is left:\n" << text;
}

// A card of the two recordings that cover the moment, and its settings.
std::string SmallCard(const test::TempDir& dir) {
  for (const std::string& rel : {kBefore, kEvent, std::string("Config/setup.dat")}) {
    fs::create_directories(fs::path(dir / "card/" + rel).parent_path());
    fs::copy_file(DemoCard() + "/" + rel, dir / "card/" + rel);
  }
  fs::create_directories(dir / "out");
  return dir / "card";
}

// The card's recording cut short while it is being copied (a card pulled):
// the pack fails naming the cause, and nothing is left in the output
// folder.
TEST(EvidencePack, CardPulledWhileCopyingLeavesNoPack) {
  test::TempDir dir;
  EvidencePackOptions o;
  o.cardRoot = SmallCard(dir);
  o.moment = kMoment;
  o.outputFolder = dir / "out";
  o.progress = [&](const std::string& step, double) {
    if (step == "copying " + kEvent) ::truncate((o.cardRoot + "/" + kEvent).c_str(), 1000);
    return true;
  };
  const EvidencePackResult r = WriteEvidencePack(o);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("read short"), std::string::npos) << r.error;
  EXPECT_TRUE(r.files.empty());
  EXPECT_EQ(Entries(dir / "out"), 0u);
}

// Cancelled once the originals are in: no pack, no temporary folder.
TEST(EvidencePack, CancelLeavesNoPack) {
  test::TempDir dir;
  EvidencePackOptions o;
  o.cardRoot = SmallCard(dir);
  o.moment = kMoment;
  o.outputFolder = dir / "out";
  bool copied = false;
  o.progress = [&](const std::string& step, double) {
    copied = copied || step.rfind("copying", 0) == 0;
    return step.rfind("copying", 0) == 0 || !copied;
  };
  const EvidencePackResult r = WriteEvidencePack(o);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
  EXPECT_TRUE(copied);
  EXPECT_EQ(Entries(dir / "out"), 0u);
}

}  // namespace
}  // namespace orvia
