// The command-line tool as a user runs it, and the index checked against an
// independent reader (ffprobe) on a file written by an independent muxer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "playback/recording_index.h"
#include "tests/support/avi_builder.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

struct Result {
  int status;
  std::string out;
};

Result Shell(const std::string& cmd) {
  Result r{-1, {}};
  std::FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

const std::string kCli = ORVIA_CLI;

TEST(Cli, IndexPrintsJsonOrFailsCleanly) {
  test::TempDir dir;
  test::AviBuilder b;
  b.Motion(512, 512, 768, 1336055101);
  b.Video(0, test::Unit({7, 8, 5}));
  b.Sound(640);
  b.Gps("3731.1234 12659.5678 45.6");
  test::WriteFile(dir / "a.avi", b.Build());
  Result r = Shell(kCli + " index " + dir / "a.avi");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("{\"secondCount\":1,\"unixTime\":[1336055101],\"gPeak\":[[0,0,1000]],"
                        "\"gps\":[[37518723,126992796,456]],\"headerLen\":[34,0],\"video\":[[[0,7,",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\"format\":{\"sound\":{\"formatTag\":1,\"channels\":1,\"sampleRate\":8000"),
            std::string::npos);

  test::WriteFile(dir / "b.avi", "not a recording");
  r = Shell(kCli + " index " + dir / "b.avi");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Shell(kCli + " index " + dir / "missing.avi").status, 2);
  EXPECT_EQ(Shell(kCli + " index").status, 2);
  EXPECT_EQ(Shell(kCli + " frobnicate").status, 2);
  EXPECT_EQ(Shell(kCli + " help").status, 0);
}

TEST(Cli, ProfileGetAndSet) {
  test::TempDir dir;
  std::string f = dir / "setup.dat";
  EXPECT_EQ(Shell(kCli + " profile set " + f + " CONFIG_DATA DRIVING_IMPACT 2").status, 0);
  EXPECT_EQ(test::ReadFile(f), "[CONFIG_DATA]\r\nDRIVING_IMPACT=2\r\n");
  EXPECT_EQ(Shell(kCli + " profile get " + f + " config_data driving_impact").out, "2\n");
  EXPECT_EQ(Shell(kCli + " profile get " + f + " CONFIG_DATA MISSING").out, "N/A\n");
  EXPECT_EQ(Shell(kCli + " profile get " + f + " CONFIG_DATA MISSING 1").out, "1\n");
  EXPECT_NE(Shell(kCli + " profile set " + dir / "no/setup.dat" + " S K V").status, 0);
}

// A settings file the user cannot read is left alone, with a non-zero exit;
// a special file returns at once (the profile commands' own special-file and
// 8-bit cases are the file tests' CProfileFile cases).
TEST(Cli, ProfileSetNeverReplacesWhatItCouldNotRead) {
  test::TempDir dir;
  const std::string f = dir / "setup.dat";
  test::WriteFile(f, "[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\nBOOT_YEAR=2012\r\n");
  ASSERT_EQ(chmod(f.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
  // Root reads any file: run the tool as an ordinary user then.
  std::string as = "";
  if (geteuid() == 0) {
    if (std::system("command -v setpriv >/dev/null") != 0)
      FAIL() << "setpriv is missing (script/bootstrap installs util-linux)";
    as = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  Result r = Shell(as + kCli + " profile set " + f + " CONFIG_DATA DRIVING_IMPACT 2");
  EXPECT_NE(r.status, 0);
  ASSERT_EQ(chmod(f.c_str(), 0644), 0);
  EXPECT_EQ(test::ReadFile(f), "[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\nBOOT_YEAR=2012\r\n");

  const std::string fifo = dir / "fifo.avi";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // `timeout` only turns a hang into a failure (status 124) instead of a stuck suite.
  EXPECT_EQ(Shell("timeout 20 " + kCli + " index " + fifo).status, 2);
}

// index, scan and profile must start without FFmpeg or Qt: the dynamic
// loader lists what it would load for orvia-cli.
TEST(Cli, QuickCommandsLoadNeitherFfmpegNorQt) {
  const Result r = Shell("LD_TRACE_LOADED_OBJECTS=1 " + kCli);
  ASSERT_NE(r.out.find("libc.so"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libav"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("libQt"), std::string::npos) << r.out;
}

TEST(Cli, ScanListsACard) {
  test::TempDir card;
  test::WriteFile(card / "Event/x/mdr_20120503_130000.avi", "x");
  test::WriteFile(card / "Normal/x/mdr_20120503_120000.avi", "x");
  Result r = Shell(kCli + " scan " + card.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[[\"001\",\"2012-05-03\",\"12:00:00\",\"Driving\",\"" +
                       card / "Normal/x/mdr_20120503_120000.avi" +
                       "\"],\n [\"002\",\"2012-05-03\",\"13:00:00\",\"Event\",\"" +
                       card / "Event/x/mdr_20120503_130000.avi" + "\"]]\n");
  EXPECT_EQ(Shell(kCli + " scan " + card.path() + " --mode 2").out.find("Driving"), std::string::npos);
  EXPECT_EQ(Shell(kCli + " scan " + card.path() + " --mode 9").status, 2);
  EXPECT_EQ(Shell(kCli + " scan " + card / "missing").status, 2);
}

// ffprobe, an independent reader, lists the packets of a hand-built file.
// Every unit the index keeps must be one of ffprobe's packets, at the same
// place and with the same size, and none may be missing after the first key
// unit.
TEST(IndependentCheck, IndexAgreesWithFfprobe) {
  if (std::system("command -v ffprobe >/dev/null") != 0)
    FAIL() << "ffprobe is missing (script/bootstrap installs ffmpeg)";
  test::TempDir dir;
  std::string avi = dir / "built.avi";
  test::AviBuilder b;
  const std::string key = test::Unit({7, 8, 5}, 40), slice = test::Unit({1}, 25);
  b.Video(0, slice);  // before the first key unit: no entry
  for (int s = 0; s < 4; ++s) {
    b.Motion(512, 512, 768, 1336055101 + s);
    for (int f = 0; f < 15; ++f) {
      b.Video(0, f ? slice + "x" : key);
      b.Video(1, f ? slice : key);
      b.Sound(640 + (f & 1));
    }
    b.Gps("3731.1234 12659.5678 45.6");
  }
  test::WriteFile(avi, b.Build(true, false));
  Result probe = Shell("ffprobe -v error -show_entries packet=stream_index,pos,size -of csv=p=0 " + avi);
  ASSERT_EQ(probe.status, 0);
  std::map<uint64_t, std::pair<int, uint32_t>> packets;  // data offset -> stream, size
  std::istringstream lines(probe.out);
  std::string line;
  while (std::getline(lines, line)) {
    int stream;
    unsigned long size, pos;
    if (std::sscanf(line.c_str(), "%d,%lu,%lu", &stream, &size, &pos) == 3)
      packets[pos] = {stream, size};  // ffprobe gives the data offset
  }
  ASSERT_GT(packets.size(), 100u);

  RecordingIndex ix;
  RecordingFile f = OpenRecording(avi, ix);
  ASSERT_TRUE(f.IsOpen());
  // Packets per stream; ffprobe also lists the telemetry stream (index 3).
  std::map<int, int> expected;
  for (auto& [offset, p] : packets) ++expected[p.first];
  --expected[0];  // the unit before the first key unit
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(ix.videoCount[s], expected[s]) << "stream " << s;
    for (int i = 0; i < ix.videoCount[s]; ++i) {
      auto it = packets.find(ix.videoEntries[s][i].offset);
      ASSERT_NE(it, packets.end());
      EXPECT_EQ(it->second.first, s);
      EXPECT_EQ(it->second.second, ix.videoEntries[s][i].size);
    }
    EXPECT_EQ(ix.videoEntries[s][0].key, kKeyUnit);
    EXPECT_EQ(ix.videoEntries[s][15].key, kKeyUnit);
    EXPECT_EQ(ix.videoEntries[s][16].key, 0);
  }
  EXPECT_EQ(ix.soundCount, expected[2]);
  for (int i = 0; i < ix.soundCount; ++i) {
    auto it = packets.find(ix.soundEntries[i].offset);
    ASSERT_NE(it, packets.end());
    EXPECT_EQ(it->second.first, 2);
  }
}

}  // namespace
}  // namespace orvia
