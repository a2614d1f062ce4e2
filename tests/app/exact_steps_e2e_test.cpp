// Paused steps in the real viewer show exactly the recorded pictures: after
// every step forward or back, across key pictures and the boundary between
// two recordings, each view's picture on show is the one ffmpeg decodes for
// that sequence number, and a snapshot saves that pair.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <random>
#include <set>

#include "output/capture_command.h"
#include "viewer_fixture.h"

namespace orvia {
namespace {

using test::PlayListRows;

// ffmpeg's MD5 of every picture of a recording's video stream, in order.
std::vector<std::string> FrameMd5s(const QString& path, int stream) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg",
               {"-v", "error", "-i", path, "-map", QString("0:v:%1").arg(stream), "-f", "framemd5", "-"});
  if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
  std::vector<std::string> md5s;
  for (const QByteArray& line : ffmpeg.readAllStandardOutput().split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    md5s.push_back(line.split(',').last().trimmed().toStdString());
  }
  return md5s;
}

// ffmpeg's own RGB picture `n` of a recording's video stream.
QImage FfmpegPicture(const QString& path, int stream, int n) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-map", QString("0:v:%1").arg(stream), "-vf",
                          QString("select=eq(n\\,%1)").arg(n), "-frames:v", "1", "-f", "image2pipe",
                          "-vcodec", "png", "-"});
  if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
  return QImage::fromData(ffmpeg.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
}

// Mean difference per colour channel of two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 255;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x)
      sum += std::abs(qRed(pa[x]) - qRed(pb[x])) + std::abs(qGreen(pa[x]) - qGreen(pb[x])) +
             std::abs(qBlue(pa[x]) - qBlue(pb[x]));
  }
  return sum / (3.0 * a.width() * a.height());
}

std::string Hex(const uint8_t (&md5)[16]) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : md5) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

class ExactSteps : public test::ViewerTest {
 protected:
  static constexpr int kSeconds = 2;
  static void SetUpTestSuite() { MakeCard(kSeconds); }
  void SetUp() override {
    ViewerTest::SetUp();
    window_->Playback()->LoadList(PlayListRows(Card()));
  }
  // The picture of each view on show, as ffmpeg hashes it.
  std::string ShownMd5(int view) {
    uint8_t md5[16] = {};
    player::EmbeddedPlayer* p = view == 0 ? window_->FrontPlayer() : window_->RearPlayer();
    return p->PictureDigest(md5) == player::kCallOk ? Hex(md5) : "none";
  }
  int Shown(int view) { return Controller().buffer().nextVideo[view] - 1; }
  void WaitIdle() { QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kIdle, 5000); }
};

TEST_F(ExactSteps, EveryStepShowsTheRecordedPicturesAndSnapshotsSaveThem) {
  const int frames = kSeconds * 15;
  std::vector<std::string> md5s[2][2];  // [row][view]
  for (int row = 0; row < 2; ++row) {
    for (int view = 0; view < 2; ++view) {
      md5s[row][view] = FrameMd5s(RowPath(row), view);
      ASSERT_EQ(md5s[row][view].size(), static_cast<size_t>(frames)) << "ffmpeg -f framemd5 of row " << row;
    }
  }
  // Playing, then a seek made while paused into the last second of row 0.
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 1, 10000);
  window_->OnCommand(kPlayButton);
  ASSERT_FALSE(Controller().playing());
  ASSERT_EQ(Controller().currentRow(), 0);
  Controller().OnTimeLine(kSeconds - 1);
  WaitIdle();
  int row = 0, at = (kSeconds - 1) * 15;  // where the test expects to be
  ASSERT_EQ(Shown(0), at);

  // Runs of steps in a fixed random order, mostly forward until the last
  // picture of row 1, then mostly back until the first of row 0.
  std::mt19937 random(20261208);
  std::set<std::pair<int, int>> keysCrossed;
  int crossings[2] = {0, 0};  // into row 1, back into row 0
  bool outward = true;
  int steps = 0, snapshots = 0;
  QTemporaryDir pictures;
  const auto done = [&] { return steps >= 120 && crossings[1] > 0 && keysCrossed.size() == 2u * kSeconds; };
  while (!done()) {
    ASSERT_LT(steps, 600) << "the walk does not end";
    const int run = std::uniform_int_distribution<int>(1, 12)(random);
    bool forward = std::bernoulli_distribution(0.8)(random) == outward;
    for (int i = 0; i < run && !done(); ++i, ++steps) {
      if (forward && row == 1 && at == frames - 1) forward = outward = false;
      if (!forward && row == 0 && at == 0) forward = outward = true;
      if (forward) {
        QTest::keyClick(window_.get(), Qt::Key_Right);
        if (++at == frames) row = 1, at = 0, ++crossings[0];
      } else {
        QTest::keyClick(window_.get(), Qt::Key_Left);
        if (--at < 0) row = 0, at = frames - 1, ++crossings[1];
      }
      WaitIdle();
      if (at % 15 == 0) keysCrossed.insert({row, at});
      ASSERT_EQ(Controller().currentRow(), row) << "step " << steps;
      ASSERT_EQ(Shown(0), at) << "step " << steps;
      ASSERT_EQ(Shown(1), at) << "step " << steps;
      ASSERT_EQ(ShownMd5(0), md5s[row][0][at]) << "front, step " << steps << ", row " << row << " #" << at;
      ASSERT_EQ(ShownMd5(1), md5s[row][1][at]) << "rear, step " << steps << ", row " << row << " #" << at;

      // Now and then, right after a step back over a key picture, a
      // snapshot: both files hold the picture on show, not a neighbour.
      if (!forward && at % 15 == 14 && snapshots < 3) {
        const QString folder = pictures.path() + QString("/%1/").arg(snapshots++);
        QueueMessageBoxAnswer(QMessageBox::Ok);
        const CaptureResult saved =
            RunCapture(window_->FrontPlayer(), window_->RearPlayer(), 2, Controller().currentDate(), folder);
        TakeShownMessageBoxes();
        ASSERT_TRUE(saved.frontSaved && saved.rearSaved);
        const std::string paths[2] = {saved.frontPath, saved.rearPath};
        for (int view = 0; view < 2; ++view) {
          const QImage snapshot =
              QImage(QString::fromStdString(paths[view])).convertToFormat(QImage::Format_RGB32);
          const double same = MeanDifference(snapshot, FfmpegPicture(RowPath(row), view, at));
          EXPECT_LT(same, 3.0) << "view " << view << " #" << at;
          EXPECT_LT(same * 2, MeanDifference(snapshot, FfmpegPicture(RowPath(row), view, at - 1)))
              << "view " << view << " #" << at;
        }
      }
    }
  }
  EXPECT_GE(steps, 100);
  EXPECT_GE(crossings[0], 1);
  EXPECT_GE(crossings[1], 1);
  EXPECT_EQ(snapshots, 3);
  // Every key picture of both rows was stepped onto.
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < frames; k += 15)
      EXPECT_TRUE(keysCrossed.count({r, k})) << "row " << r << " key #" << k;
}

}  // namespace
}  // namespace orvia
