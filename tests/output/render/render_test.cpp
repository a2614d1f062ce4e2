// Rendered videos of a simulated drive across two recordings, read back with
// independent tools: the file's streams and length (ffprobe), its pictures
// outside the overlay against the views decoded and scaled into place, its
// speed read back from the picture, and a cancel that leaves no file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "library/card_range.h"
#include "library/card_trips.h"
#include "output/evidence_picture.h"
#include "output/render_export.h"
#include "output/render_overlay.h"

namespace orvia {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 960, kHeight = 540;  // a chosen size, not the front view's
constexpr double kPictureMs = 1000.0 / 15;

// Runs a shell command and returns what it writes on stdout.
std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  const int rc = pclose(pipe);
  if (status) *status = rc;
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = (fs::temp_directory_path() / "orvia-render-test-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    return std::string(made ? made : "/tmp");
  }();
  return folder;
}

// The two driving recordings of a simulated card, one after the other, and
// the range 08:30:06..08:30:15 across their boundary.
struct Drive {
  std::vector<std::string> recordings;
  int64_t fromMs = 0, toMs = 0;
};

const Drive& TestDrive() {
  static const Drive drive = [] {
    Drive d;
    const std::string card = Folder() + "/card";
    int status = 0;
    Shell(std::string(ORVIA_CLI) + " make-card " + Quote(card) + " --layout small --seconds 12 --quiet",
          &status);
    EXPECT_EQ(status, 0);
    std::vector<std::string> paths;
    for (const auto& e : fs::directory_iterator(card + "/Normal/20261207"))
      paths.push_back(e.path().string());
    std::vector<CardRecording> recordings = CardRecordingsAt(paths);
    ReadTelemetryOf(recordings, "", 2, {});
    std::sort(recordings.begin(), recordings.end(), [](const CardRecording& a, const CardRecording& b) {
      return TimeInRecording(a, 0) < TimeInRecording(b, 0);
    });
    const int64_t start = *ParseLocalDateTime("2026-12-07T08:30:00");
    const RecordingRange range = RecordingsCovering(recordings, start + 6, start + 15);
    for (const size_t i : range.recordings) d.recordings.push_back(recordings[i].path);
    d.fromMs = range.fromMs;
    d.toMs = range.toMs;
    return d;
  }();
  return drive;
}

RenderOptions DriveOptions(const std::string& name) {
  RenderOptions o;
  o.recordings = TestDrive().recordings;
  o.fromMs = TestDrive().fromMs;
  o.toMs = TestDrive().toMs;
  o.outputPath = Folder() + "/" + name;
  o.layout = RenderLayout::kSide;
  o.width = kWidth;
  o.height = kHeight;
  return o;
}

// The side-by-side video of the drive, rendered once per process.
const RenderResult& Rendered() {
  static const RenderResult result = RenderVideo(DriveOptions("drive.mp4"));
  return result;
}

// The video's pictures' times in ms, in order.
std::vector<int64_t> PictureTimes(const std::string& path) {
  std::istringstream lines(
      Shell("ffprobe -v error -select_streams v -show_entries frame=pts_time -of csv=p=0 " + Quote(path)));
  std::vector<int64_t> times;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) times.push_back(std::llround(std::atof(line.c_str()) * 1000));
  return times;
}

// Picture `n` of the video decoded by ffmpeg, as 32-bit RGB.
QImage DecodedPicture(const std::string& path, size_t n) {
  const std::string bytes = Shell("ffmpeg -v error -i " + Quote(path) + " -vf 'select=eq(n\\," +
                                  std::to_string(n) + ")' -vsync 0 -frames:v 1 -f rawvideo -pix_fmt bgra -");
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (bytes.size() != static_cast<size_t>(kWidth) * kHeight * 4) return {};
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(image.scanLine(y), bytes.data() + static_cast<size_t>(y) * kWidth * 4, kWidth * 4);
  return image;
}

// The first picture whose time lies in [fromMs, toMs) of the first recording.
size_t PictureAt(const std::vector<int64_t>& times, int64_t fromMs, int64_t toMs) {
  for (size_t i = 0; i < times.size(); ++i) {
    const int64_t local = times[i] + TestDrive().fromMs;
    if (local >= fromMs && local < toMs) return i;
  }
  return times.size();
}

bool InAnyBox(const OverlayLayout& l, int x, int y) {
  for (const OverlayRect& r : {l.time, l.speed, l.g, l.route, l.name})
    if (!r.Empty() && x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
  return false;
}

double Psnr(double sumSquares, int64_t samples) {
  if (samples == 0) return 0;
  const double mse = sumSquares / samples;
  return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int Luma(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }

TEST(RenderTest, AcrossTheJoinTheFileHoldsOneH264OfTheSizeAndOneAacOfTheRangesLength) {
  ASSERT_EQ(TestDrive().recordings.size(), 2u) << "the range should lie across two recordings";
  const RenderResult& r = Rendered();
  ASSERT_TRUE(r.ok) << r.error;
  const std::string streams = Shell(
      "ffprobe -v error -show_entries stream=codec_type,codec_name,width,height "
      "-of csv=p=0 " +
      Quote(Folder() + "/drive.mp4"));
  EXPECT_EQ(streams,
            "h264,video," + std::to_string(kWidth) + "," + std::to_string(kHeight) + "\naac,audio\n");
  const std::vector<int64_t> times = PictureTimes(Folder() + "/drive.mp4");
  ASSERT_FALSE(times.empty());
  const double length = static_cast<double>(TestDrive().toMs - TestDrive().fromMs);
  const double duration = std::atof(Shell("ffprobe -v error -select_streams v -show_entries stream=duration "
                                          "-of csv=p=0 " +
                                          Quote(Folder() + "/drive.mp4"))
                                        .c_str()) *
                          1000;
  EXPECT_NEAR(duration, length, kPictureMs);
  // The sound runs as long as the pictures, give or take one AAC frame.
  const double sound = std::atof(Shell("ffprobe -v error -select_streams a -show_entries stream=duration "
                                       "-of csv=p=0 " +
                                       Quote(Folder() + "/drive.mp4"))
                                     .c_str()) *
                       1000;
  EXPECT_NEAR(sound, length, kPictureMs + 1024.0 * 1000 / 8000);
  EXPECT_NEAR(static_cast<double>(times.size()), length / kPictureMs, 1.5);
  EXPECT_LE(times.front(), kPictureMs);
}

TEST(RenderTest, OutsideTheBoxesThePictureIsTheViewsScaledIntoPlaceInsideItDiffers) {
  const RenderResult& r = Rendered();
  ASSERT_TRUE(r.ok) << r.error;
  const std::vector<int64_t> times = PictureTimes(Folder() + "/drive.mp4");
  const size_t n = PictureAt(times, 8400, 8600);
  ASSERT_LT(n, times.size());
  const QImage rendered = DecodedPicture(Folder() + "/drive.mp4", n);
  ASSERT_FALSE(rendered.isNull());
  // The views as the recording holds them at that moment, scaled into place.
  const int localMs = static_cast<int>(times[n] + TestDrive().fromMs);
  QImage expected(kWidth, kHeight, QImage::Format_RGB32);
  expected.fill(Qt::black);
  const ViewPlacement place = PlaceViews(RenderLayout::kSide, kWidth, kHeight, 1280, 720, 640, 360);
  QPainter painter(&expected);
  for (int view = 0; view < 2; ++view) {
    player::RgbImage picture;
    std::string error;
    ASSERT_TRUE(DecodePictureAt(TestDrive().recordings[0], view, localMs, picture, &error)) << error;
    const QImage source(picture.pixels.data(), picture.width, picture.height, QImage::Format_RGB32);
    const OverlayRect& at = view == 0 ? place.front : place.rear;
    painter.drawImage(at.x, at.y,
                      source.scaled(at.width, at.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  painter.end();
  double outside = 0, inside = 0;
  int64_t outsideCount = 0, insideCount = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const QRgb a = rendered.pixel(x, y), b = expected.pixel(x, y);
      const double d = std::pow(qRed(a) - qRed(b), 2) + std::pow(qGreen(a) - qGreen(b), 2) +
                       std::pow(qBlue(a) - qBlue(b), 2);
      (InAnyBox(r.boxes, x, y) ? inside : outside) += d;
      (InAnyBox(r.boxes, x, y) ? insideCount : outsideCount) += 3;
    }
  }
  EXPECT_GE(Psnr(outside, outsideCount), 30.0);
  EXPECT_LT(Psnr(inside, insideCount), 20.0);
}

// The bright text pixels of a box's region: those of the text's fill.
std::vector<bool> TextMask(const QImage& image, const OverlayRect& box) {
  std::vector<bool> mask;
  for (int y = 0; y < box.height; ++y)
    for (int x = 0; x < box.width; ++x) mask.push_back(Luma(image.pixel(box.x + x, box.y + y)) > 170);
  return mask;
}

TEST(RenderTest, TheSpeedOfThreeSecondsReadsBackFromThePicture) {
  const RenderResult& r = Rendered();
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_FALSE(r.boxes.speed.Empty());
  // Three seconds of the first recording inside the range with different speeds.
  RecordingIndex index;
  ASSERT_TRUE(OpenRecording(TestDrive().recordings[0], index).IsOpen());
  std::vector<int> seconds;
  std::vector<std::string> texts;
  for (int s = static_cast<int>(TestDrive().fromMs / 1000) + 1; s < index.secondCount && seconds.size() < 3;
       ++s) {
    const std::string text =
        SpeedText(index.gps[s] != nullptr, index.gps[s] ? index.gps[s]->speed : 0, SpeedUnits::kKmh);
    if (std::find(texts.begin(), texts.end(), text) != texts.end()) continue;
    seconds.push_back(s);
    texts.push_back(text);
  }
  ASSERT_EQ(seconds.size(), 3u);
  const OverlayRect& box = r.boxes.speed;
  std::vector<std::vector<bool>> references;
  for (const std::string& text : texts) {
    QImage reference(kWidth, kHeight, QImage::Format_RGB32);
    reference.fill(Qt::black);
    QPainter p(&reference);
    p.drawImage(
        box.x, box.y,
        TextBoxImage(QString::fromStdString(text), box.width, box.height, OverlayTextPixels(kHeight)));
    p.end();
    references.push_back(TextMask(reference, box));
  }
  const std::vector<int64_t> times = PictureTimes(Folder() + "/drive.mp4");
  for (size_t i = 0; i < seconds.size(); ++i) {
    const size_t n = PictureAt(times, seconds[i] * 1000 + 300, seconds[i] * 1000 + 700);
    ASSERT_LT(n, times.size());
    const std::vector<bool> read = TextMask(DecodedPicture(Folder() + "/drive.mp4", n), box);
    std::vector<int> misses;
    for (const std::vector<bool>& ref : references) {
      int miss = 0;
      for (size_t k = 0; k < ref.size(); ++k) miss += ref[k] != read[k];
      misses.push_back(miss);
    }
    for (size_t j = 0; j < misses.size(); ++j) {
      if (j == i) continue;
      EXPECT_LT(misses[i] * 2, misses[j]) << texts[i] << " read as if " << texts[j];
    }
  }
}

TEST(RenderTest, ACancelStopsTheRenderAndLeavesNoFile) {
  const std::string folder = Folder() + "/cancel";
  fs::create_directories(folder);
  RenderOptions o = DriveOptions("cancel/cancelled.mp4");
  int calls = 0;
  o.progress = [&calls](double) { return ++calls < 10; };
  const RenderResult r = RenderVideo(o);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(calls, 10);
  EXPECT_TRUE(fs::is_empty(folder)) << "the partial file should be removed";
}

TEST(RenderTest, TheCommandRendersAMomentOfTheCardAndRefusesWhatItCannotDo) {
  const std::string card = fs::path(TestDrive().recordings[0]).parent_path().parent_path().parent_path();
  const std::string out = Folder() + "/command.mp4";
  int status = -1;
  const std::string said =
      Shell(std::string(ORVIA_CLI) + " render " + Quote(card) +
                " --at 2026-12-07T08:30:10 --before 1 --after 1 --layout stack --size 640x360 "
                "--units mph --quality smaller --out " +
                Quote(out) + " 2>&1",
            &status);
  EXPECT_EQ(status, 0) << said;
  EXPECT_EQ(
      Shell("ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 " + Quote(out)),
      "640,360\n");
  const char* const refused[] = {" --at 2026-12-07T08:30:10 --layout diagonal --out x.mp4",
                                 " --at 2026-12-07T08:30:10 --size 12x7 --out x.mp4",
                                 " --out x.mp4",  // a card without a moment
                                 " --at 2026-12-07T08:30:10"};
  for (const char* arguments : refused) {
    Shell(std::string(ORVIA_CLI) + " render " + Quote(card) + arguments + " 2>/dev/null", &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << arguments;
  }
  EXPECT_FALSE(fs::exists("x.mp4"));
}

TEST(RenderTest, ARenderOverARecordingItselfIsRefused) {
  RenderOptions o = DriveOptions("unused.mp4");
  o.outputPath = o.recordings[0];
  const RenderResult r = RenderVideo(o);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_TRUE(fs::exists(o.recordings[0]));
}

}  // namespace
}  // namespace orvia
