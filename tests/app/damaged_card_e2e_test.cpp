// The viewer as a user starts it, on a card whose recordings include a
// header left by a power cut, a file cut at 30 % and a file with damaged
// bytes, played at 4x: it reaches the last row, keeps running and does not
// grow while it plays.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <set>
#include <vector>

#include "library/play_list.h"
#include "tools/sim/card_maker.h"

namespace orvia {
namespace {

// How far resident memory may rise once playing. Under AddressSanitizer its
// shadow memory and allocator caches grow with every new heap region touched
// (the web engine's too), so the margin is wider there.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kRssMarginKiB = 128 * 1024;
#else
constexpr long kRssMarginKiB = 64 * 1024;
#endif

// Resident memory of a process in KiB, or -1.
long RssKiB(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

void Damage(const std::string& path, const char* how) {
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  QByteArray bytes = f.readAll();
  if (std::string(how) == "header") {
    bytes.truncate(777);  // what a recorder leaves when the power is cut at once
  } else if (std::string(how) == "cut") {
    bytes.truncate(bytes.size() * 3 / 10);
  } else {
    // Flip bytes all through the stream data, chunk heads included.
    for (qsizetype i = bytes.indexOf("movi") + 4; i < bytes.size(); i += 997)
      bytes[i] = char(bytes[i] ^ 0x5A);
  }
  f.resize(0);
  f.seek(0);
  f.write(bytes);
}

TEST(DamagedCardEndToEnd, PlaysPastDamagedRecordingsToTheLastRow) {
  QTemporaryDir card, data;
  sim::CardOptions o;
  o.root = card.path().toStdString();
  o.layout = "small";
  o.seconds = 8;
  ASSERT_TRUE(sim::MakeCard(o).ok);
  const std::vector<PlayListRow> rows = ScanPlayList(o.root, 0);
  ASSERT_EQ(rows.size(), 5u);
  Damage(rows[1].path, "header");
  Damage(rows[2].path, "cut");
  Damage(rows[3].path, "bytes");

  const QString trace = data.filePath("trace.csv");
  QProcess viewer;
  viewer.setStandardOutputFile(QProcess::nullDevice());
  // Under AddressSanitizer freed memory waits in a quarantine of up to 256 MB
  // before reuse, which would look like growth: keep it small.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  const QString asan = env.value("ASAN_OPTIONS");
  env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ":") + "quarantine_size_mb=8");
  viewer.setProcessEnvironment(env);
  viewer.start(QStringLiteral(ORVIA_BIN_DIR "/orvia"),
               {"--card", card.path(), "--speed", "4", "--trace-pacing", trace, "--data-folder", data.path(),
                "--quit-after", "14000"});
  ASSERT_TRUE(viewer.waitForStarted());
  std::vector<long> rss;
  while (!viewer.waitForFinished(250)) {
    const long kib = RssKiB(viewer.processId());
    if (kib > 0) rss.push_back(kib);
  }
  EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(viewer.exitCode(), 0);
  // The decoder's complaints about the damaged units stay off stderr.
  const QByteArray errors = viewer.readAllStandardError();
  EXPECT_LT(errors.count("[h264"), 10) << errors.left(2000).toStdString();

  QFile t(trace);
  ASSERT_TRUE(t.open(QIODevice::ReadOnly));
  std::set<int> played;
  for (const QByteArray& line : t.readAll().split('\n')) {
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() == 4 && !line.startsWith("due")) played.insert(fields[3].toInt());
  }
  EXPECT_TRUE(played.count(1));
  EXPECT_TRUE(played.count(5)) << "the last row was never played";
  EXPECT_FALSE(played.count(2));  // the header-only recording has nothing to play

  // Memory: once started (after the first quarter of the run), resident size
  // stays within a margin of where it was; a leak per unit or per file would
  // grow it.
  ASSERT_GE(rss.size(), 8u);
  const long settled = rss[rss.size() / 4];
  const long peakLater = *std::max_element(rss.begin() + rss.size() / 4, rss.end());
  EXPECT_LT(peakLater - settled, kRssMarginKiB)
      << "RSS grew from " << settled << " to " << peakLater << " KiB";
}

}  // namespace
}  // namespace orvia
