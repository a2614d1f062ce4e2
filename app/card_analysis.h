// CardAnalysis: trips and events of the recordings in the list, read in the
// background. The reading runs on threads of lowered CPU and disk priority
// (the players come first), each recording's telemetry from the cache when
// it is there; the summary is made on the user-interface thread when all are
// read. A new list cancels a reading under way.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "library/card_trips.h"

namespace orvia {

class CardAnalysis : public QObject {
  Q_OBJECT

 public:
  explicit CardAnalysis(QObject* parent = nullptr);
  ~CardAnalysis() override;

  // Reads every recording of the card at `cardRoot`, or when it is empty
  // the recordings at `paths` (a list's), replacing what was read. Nothing
  // to read clears.
  void Start(std::string cardRoot, std::vector<std::string> paths);
  // Stops a reading under way and forgets the summary.
  void Clear();

  // True once the last list given has been read (and summarised).
  bool Ready() const { return ready_; }
  bool Running() const { return worker_ != nullptr && !ready_; }
  const CardSummary& Summary() const { return summary_; }
  // Counts the lists given: the same number means the same reading.
  unsigned Generation() const { return generation_; }

  // Speeds above this (km/h; 0 = none) are events. The summary is made
  // again at once from what was read.
  void SetSpeedLimit(double kmh);
  double SpeedLimit() const { return options_.speedLimitKmh; }

  // Where recordings' telemetry is kept between runs; empty for none.
  void SetCacheFolder(std::string folder) { cacheFolder_ = std::move(folder); }

  // The events of the recording at `path`, as seconds within it.
  std::vector<int> EventSecondsOf(const std::string& path) const;
  // Index in Summary().recordings of the recording at `path`, or -1.
  int RecordingIndexOf(const std::string& path) const;

 signals:
  // Done of total recordings read; only once the reading has taken longer
  // than half a second, and at most ten times a second.
  void progress(qulonglong done, qulonglong total);
  // The summary is ready (or was made again).
  void finished();

 private:
  void Join();
  void OnRead(std::shared_ptr<std::vector<CardRecording>> recordings, unsigned generation);

  std::string cacheFolder_;
  EventOptions options_;
  CardSummary summary_;
  bool ready_ = false;
  unsigned generation_ = 0;
  std::unique_ptr<std::thread> worker_;
  std::shared_ptr<std::atomic<bool>> cancel_;
};

}  // namespace orvia
