#include "app/card_analysis.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QMetaObject>
#include <algorithm>
#include <chrono>

#include "library/telemetry_cache.h"

namespace orvia {

namespace {

// Threads reading telemetry: the reads are small and mostly wait on the card.
constexpr int kReadThreads = 2;
constexpr qint64 kQuietMs = 500;  // progress is shown after this long
constexpr qint64 kProgressEveryMs = 100;

// Lowers the calling thread's CPU and disk priority; the threads it starts
// inherit both.
void LowerThisThreadsPriority() {
  const pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 10);
#ifdef SYS_ioprio_set
  constexpr int kWhoProcess = 1, kClassBestEffort = 2, kClassShift = 13, kLowestLevel = 7;
  syscall(SYS_ioprio_set, kWhoProcess, tid, (kClassBestEffort << kClassShift) | kLowestLevel);
#endif
}

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CardAnalysis::CardAnalysis(QObject* parent) : QObject(parent), cacheFolder_(TelemetryCacheFolder()) {}

CardAnalysis::~CardAnalysis() { Join(); }

void CardAnalysis::Join() {
  if (cancel_) cancel_->store(true);
  if (worker_ && worker_->joinable()) worker_->join();
  worker_.reset();
  cancel_.reset();
}

void CardAnalysis::Clear() {
  Join();
  ++generation_;
  summary_ = CardSummary{};
  ready_ = false;
}

void CardAnalysis::Start(std::string cardRoot, std::vector<std::string> paths) {
  Clear();
  if (cardRoot.empty() && paths.empty()) return;
  const unsigned generation = generation_;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  worker_ =
      std::make_unique<std::thread>([this, generation, cardRoot = std::move(cardRoot),
                                     paths = std::move(paths), cancel = cancel_, cache = cacheFolder_]() {
        LowerThisThreadsPriority();
        auto recordings = std::make_shared<std::vector<CardRecording>>(
            cardRoot.empty() ? CardRecordingsAt(paths) : CardRecordingsOf(cardRoot));
        const int64_t begun = SteadyMs();
        std::atomic<int64_t> lastReport{0};
        const auto report = [&](size_t done, size_t total) {
          const int64_t now = SteadyMs();
          int64_t last = lastReport.load();
          if (now - begun < kQuietMs || now - last < kProgressEveryMs) return;
          if (!lastReport.compare_exchange_strong(last, now)) return;
          QMetaObject::invokeMethod(
              this,
              [this, done, total, generation] {
                if (generation == generation_) emit progress(done, total);
              },
              Qt::QueuedConnection);
        };
        if (!ReadTelemetryOf(*recordings, cache, kReadThreads, report, cancel.get())) return;
        // The object outlives this thread (its destructor joins it), so a queued
        // call to it is safe; one that comes after a newer list is dropped.
        QMetaObject::invokeMethod(
            this, [this, recordings, generation] { OnRead(recordings, generation); }, Qt::QueuedConnection);
      });
}

void CardAnalysis::OnRead(std::shared_ptr<std::vector<CardRecording>> recordings, unsigned generation) {
  if (generation != generation_) return;
  if (worker_ && worker_->joinable()) worker_->join();
  summary_ = SummariseCard(std::move(*recordings), options_);
  ready_ = true;
  emit finished();
}

void CardAnalysis::SetSpeedLimit(double kmh) {
  options_.speedLimitKmh = std::max(0.0, kmh);
  if (!ready_) return;
  summary_ = SummariseCard(std::move(summary_.recordings), options_);
  emit finished();
}

int CardAnalysis::RecordingIndexOf(const std::string& path) const {
  for (size_t i = 0; i < summary_.recordings.size(); ++i)
    if (summary_.recordings[i].path == path) return static_cast<int>(i);
  return -1;
}

std::vector<int> CardAnalysis::EventSecondsOf(const std::string& path) const {
  std::vector<int> seconds;
  const int index = RecordingIndexOf(path);
  if (index < 0) return seconds;
  for (const CardEvent& e : summary_.events)
    if (e.recording == static_cast<size_t>(index)) seconds.push_back(e.second);
  return seconds;
}

}  // namespace orvia
