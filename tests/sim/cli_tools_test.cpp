// The FFmpeg command-line tools accept every simulated recording: ffprobe
// sees an AVI with its four streams, ffmpeg decodes both cameras without a
// single error. Also runs orvia-cli make-card itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/default_setup.h"
#include "tests/sim/sim_test_support.h"

namespace orvia::sim {
namespace {

using testing::RunCommand;

bool HaveTool(const char* name) {
  std::string out;
  return RunCommand(std::string("command -v ") + name, &out) == 0;
}

TEST(FfmpegTools, ProbeAndDecodeEveryRecordingWithoutErrors) {
  if (!HaveTool("ffprobe") || !HaveTool("ffmpeg")) GTEST_SKIP() << "ffprobe/ffmpeg not installed";
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  for (const RecordingReport& r : card.recordings) {
    SCOPED_TRACE(r.path);
    std::string out;
    ASSERT_EQ(RunCommand("ffprobe -v error -show_entries stream=codec_name,codec_type:format=format_name "
                         "-of csv=p=0 '" +
                             r.path + "'",
                         &out),
              0)
        << out;
    // Two H.264 cameras and PCM sound, then the telemetry stream, in an AVI.
    EXPECT_TRUE(out.starts_with("h264,video\nh264,video\npcm_s16le,audio\n") && out.ends_with("\navi\n"))
        << out;
    for (const char* map : {"0:0", "0:1"}) {
      ASSERT_EQ(
          RunCommand(std::string("ffmpeg -nostdin -v error -i '") + r.path + "' -map " + map + " -f null -",
                     &out),
          0)
          << map << ": " << out;
      EXPECT_EQ(out, "") << map;
    }
  }
}

TEST(MakeCardCommand, WritesTheCardAndRejectsBadOptions) {
  const std::string root = testing::MakeTempFolder("cli_card");
  std::string out;
  ASSERT_EQ(RunCommand(std::string(ORVIA_CLI) + " make-card '" + root +
                           "' --layout small --seconds 1 --start '2013-03-01 09:05:03' --quiet",
                       &out),
            0)
      << out;
  EXPECT_EQ(out, "");  // --quiet
  const auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
  EXPECT_EQ(text(testing::ReadFileBytes(root + "/Config/time.bin")), "2013 03 01 09 05 03");
  EXPECT_EQ(text(testing::ReadFileBytes(root + "/Config/setup.dat")), DefaultSetupDat());
  EXPECT_TRUE(std::filesystem::is_regular_file(root + "/Normal/20130301/mdr_20130301_090503.avi"));
  EXPECT_TRUE(std::filesystem::is_regular_file(root + "/Event/20130301/mdr_20130301_090505.avi"));

  for (const char* bad : {"--fps 0", "--seconds 65", "--layout nonsense", "--start '2013-02-30 00:00:00'",
                          "--hemisphere NS", "--gps-loss 3", "--bogus"}) {
    EXPECT_NE(RunCommand(std::string(ORVIA_CLI) + " make-card '" + root + "/x' " + bad, &out), 0) << bad;
  }
  EXPECT_EQ(RunCommand(std::string(ORVIA_CLI) + " make-card", &out), 2);
}

}  // namespace
}  // namespace orvia::sim
