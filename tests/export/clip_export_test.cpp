// Clips: the plan cuts at key units, and the MP4 written from it holds both
// cameras' original pictures (decoded frame for frame equal to the
// recording's), the sound and the recording's start, over the asked range.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "output/clip_export.h"
#include "tests/export/export_test_support.h"

namespace orvia::exporttest {
namespace {

// The MD5 column of `ffmpeg -f framemd5` for one stream of a file.
std::vector<std::string> FrameMd5(const std::string& file, int stream) {
  std::string text;
  EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i " + Quote(file) + " -map 0:" + std::to_string(stream) +
                      " -f framemd5 -",
                  &text),
            0)
      << text;
  std::vector<std::string> md5;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    md5.push_back(line.substr(line.rfind(' ') + 1));
  }
  return md5;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ClipPlan, StartsAtAKeyUnitAndKeepsToTheRange) {
  RecordingIndex index;
  RecordingFile file = OpenRecording(DrivingRecording(0), index);
  ASSERT_TRUE(file.IsOpen());
  const ClipPlan plan = PlanClip(index, {2, 5});
  ASSERT_TRUE(plan.ok) << plan.error;
  for (int s = 0; s < 2; ++s) {
    ASSERT_LT(plan.firstVideo[s], plan.endVideo[s]);
    const VideoIndexEntry& first = index.videoEntries[s][plan.firstVideo[s]];
    EXPECT_EQ(first.key, kKeyUnit) << "stream " << s;
    EXPECT_GE(first.time, plan.originMs);
    EXPECT_LT(first.time, 3000);
    EXPECT_LT(index.videoEntries[s][plan.endVideo[s] - 1].time, 5000);
    if (plan.endVideo[s] < index.videoCount[s]) {
      EXPECT_GE(index.videoEntries[s][plan.endVideo[s]].time, 5000);
    }
  }
  EXPECT_GE(index.soundEntries[plan.firstSound].time, plan.originMs);
  EXPECT_FALSE(PlanClip(index, {5, 5}).ok);
  EXPECT_FALSE(PlanClip(index, {kSeconds, kSeconds + 3}).ok);

  // The default range: the whole file up to a minute, else the minute around the second shown.
  EXPECT_EQ(std::make_pair(DefaultClipRange(60, 42).fromSecond, DefaultClipRange(60, 42).toSecond),
            std::make_pair(0, 60));
  EXPECT_EQ(std::make_pair(DefaultClipRange(64, 50).fromSecond, DefaultClipRange(64, 50).toSecond),
            std::make_pair(4, 64));
}

TEST(ClipExport, Mp4HoldsBothCamerasUnchangedTheSoundAndTheStart) {
  if (Shell("command -v ffprobe && command -v ffmpeg", nullptr) != 0)
    FAIL() << "ffmpeg and ffprobe are missing (script/bootstrap installs them)";
  const std::string source = DrivingRecording(0);
  const std::string dir = TempFolder("clip");
  const std::string out = dir + "/clip.mp4";
  std::string text;
  ASSERT_EQ(Cli("export " + Quote(source) + " --mp4 " + Quote(out) + " --from 2 --to 5", &text), 0) << text;
  ASSERT_EQ(Shell("ffprobe -v error -show_entries stream=codec_type,codec_name:format=duration:format_tags="
                  "creation_time -of compact " +
                      Quote(out),
                  &text),
            0)
      << text;
  EXPECT_EQ(Count(text, "codec_name=h264|codec_type=video"), 2u) << text;
  EXPECT_EQ(Count(text, "codec_name=aac|codec_type=audio"), 1u) << text;
  const double duration = std::stod(text.substr(text.find("duration=") + 9));
  EXPECT_NEAR(duration, 3.0, 1.0) << text;
  RecordingIndex index;
  RecordingFile file = OpenRecording(source, index);
  // The card's zone is UTC+09:00: the recorder's clock less nine hours.
  const time_t start = static_cast<time_t>(index.unixTime[0] - 9 * 3600);
  struct tm parts {};
  gmtime_r(&start, &parts);
  char iso[32];
  std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S", &parts);
  EXPECT_NE(text.find(std::string("creation_time=") + iso), std::string::npos) << text;

  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE("stream " + std::to_string(s));
    const std::vector<std::string> all = FrameMd5(source, s);
    const std::vector<std::string> clip = FrameMd5(out, s);
    ASSERT_GE(clip.size(), 40u);  // about three seconds at 15 pictures a second
    const auto at = std::find(all.begin(), all.end(), clip[0]);
    ASSERT_NE(at, all.end());
    const size_t first = static_cast<size_t>(at - all.begin());
    ASSERT_LE(first + clip.size(), all.size());
    EXPECT_EQ(clip, std::vector<std::string>(at, at + static_cast<long>(clip.size())));
    EXPECT_LE(first, 3u * 15u);  // began at or before second 2's key picture
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST(ClipExport, CancelledOrFailedLeavesNoFileUnderTheName) {
  const std::string dir = TempFolder("clip_cancel");
  const std::string out = dir + "/clip.mp4";
  ClipExportOptions options;
  options.range = {0, kSeconds};
  options.progress = [](double) { return false; };
  const ClipExportResult r = ExportClip(DrivingRecording(0), out, options);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);

  std::string text;
  EXPECT_EQ(Cli("export " + Quote(dir + "/none.avi") + " --mp4 " + Quote(out), &text), 2);
  EXPECT_NE(text.find("none.avi: cannot be opened or is not an AVI recording"), std::string::npos) << text;
  EXPECT_EQ(Cli("export " + Quote(DrivingRecording(0)) + " --mp4 " + Quote(out) + " --from 9 --to 12", &text),
            2);
  EXPECT_NE(text.find("outside the recording"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace orvia::exporttest
