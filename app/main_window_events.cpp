// The main window's trips and events: the list's recordings are read in the
// background once the first picture is on screen; the trips and events view
// shows the result, an event plays from ten seconds before it with its
// trip's recordings after it, N / Shift+N go to the next / previous event,
// and the open recording's events are marked on the time bar.
#include <QTimer>
#include <cstdio>

#include "app/card_analysis.h"
#include "app/clip_commands.h"
#include "app/list_note.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "base/localized_text.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "library/path_sources.h"
#include "library/play_list.h"
#include "library/trips_view.h"
#include "playback/gps_map.h"
#include "player/embedded_player.h"

namespace orvia {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

// Seconds of an event's lead-in: it plays from this long before it.
constexpr int kLeadInSeconds = 10;
// The reading waits for the first picture at most this long.
constexpr int kAnalysisWaitMs = 1500;

}  // namespace

void COrviaDlg::CreateCardAnalysis() {
  analysis_ = new CardAnalysis(this);
  connect(analysis_, &CardAnalysis::progress, this, [this](qulonglong done, qulonglong total) {
    // A long reading is counted along the bottom of the list, and in the
    // trips and events view when it is open.
    if (tripsView_) tripsView_->SetProgress(done, total);
    listStatus_->ShowNote(Text("IDS_CAPTION_TRIPS_PROGRESS").arg(done).arg(total));
    showingProgress_ = true;
  });
  connect(analysis_, &CardAnalysis::finished, this, &COrviaDlg::OnCardAnalysed);
  analysisGate_ = new QTimer(this);
  analysisGate_->setInterval(20);
  analysisWait_.start();
  analysisGate_->start();
  connect(analysisGate_, &QTimer::timeout, this, [this] {
    // The first picture comes first: the map page and the reading start
    // once it is on screen, or when it is long in coming.
    const bool pictured = !players_[0] || players_[0]->PicturesShown() > 0;
    if (!pictured && analysisWait_.elapsed() < kAnalysisWaitMs) return;
    analysisGate_->stop();
    map_->ReleaseLoads();
    // A card's trips take in all its recordings, whatever the list shows.
    analysis_->Start(list_->RowCount() > 0 ? cardRoot_.toStdString() : std::string(),
                     std::move(pendingAnalysis_));
    pendingAnalysis_.clear();
  });
}

void COrviaDlg::StartCardAnalysis() {
  pendingAnalysis_.clear();
  for (int row = 0; row < list_->RowCount(); ++row)
    pendingAnalysis_.push_back(list_->RowText(row, 4).toStdString());
  analysis_->Clear();
  if (auto* bar = static_cast<CBitSlider*>(Control(kTimeLine))) bar->SetMarks({});
  if (tripsView_) tripsView_->SetSummary(analysis_->Summary());
  analysisWait_.start();
  analysisGate_->start();
}

void COrviaDlg::OnCardAnalysed() {
  if (showingProgress_) listStatus_->hide();
  showingProgress_ = false;
  const CardSummary& summary = analysis_->Summary();
  // A recording that could not be read is named once: here and on stderr.
  const bool report = reportedReading_ != analysis_->Generation();
  reportedReading_ = analysis_->Generation();
  QString note;
  for (size_t i : summary.unreadable) {
    const std::string& path = summary.recordings[i].path;
    if (report) std::fprintf(stderr, "orvia: cannot read the telemetry of %s\n", path.c_str());
  }
  // The note line names the first; the others are on stderr.
  if (!summary.unreadable.empty()) {
    note = Text("IDS_CAPTION_TRIPS_UNREADABLE") + " " +
           QString::fromStdString(summary.recordings[summary.unreadable.front()].path);
    if (summary.unreadable.size() > 1) note += QStringLiteral(" (+%1)").arg(summary.unreadable.size() - 1);
  }
  if (tripsView_) {
    tripsView_->SetSummary(summary);
    if (note.isEmpty())
      tripsView_->ClearNote();
    else
      tripsView_->SetNote(note);
  }
  unreadableNote_ = note;
  UpdateEventMarks();
  emit cardAnalysed();
}

void COrviaDlg::OpenTripsView() {
  if (!tripsView_) {
    tripsView_ = new TripsView(this);
    connect(tripsView_, &TripsView::eventChosen, this, &COrviaDlg::PlayEvent);
    connect(tripsView_, &TripsView::tripChosen, this, &COrviaDlg::PlayTrip);
    tripsView_->SetSpeedLimit(static_cast<int>(analysis_->SpeedLimit()));
    // The event menu's commands, each on the moment of the event chosen.
    using EventCommand = void (*)(COrviaDlg&, const QStringList&, std::optional<int64_t>);
    const auto onEvent = [this](EventCommand command) {
      return [this, command](int index) {
        const auto& events = analysis_->Summary().events;
        if (index >= 0 && static_cast<size_t>(index) < events.size())
          command(*this, {}, events[static_cast<size_t>(index)].time);
      };
    };
    connect(tripsView_, &TripsView::exportClipRequested, this, onEvent(&ExportClipCommand));
    connect(tripsView_, &TripsView::exportVideoRequested, this, onEvent(&ExportVideoCommand));
    connect(tripsView_, &TripsView::evidenceRequested, this, onEvent(&SaveEvidenceCommand));
    connect(tripsView_, &TripsView::speedLimitChanged, this, [this](int kmh) {
      // The events are found again from what was read; the one playing
      // loses its place among them.
      currentEvent_ = -1;
      analysis_->SetSpeedLimit(kmh);
    });
    tripsView_->SetSummary(analysis_->Summary());
    if (!unreadableNote_.isEmpty()) tripsView_->SetNote(unreadableNote_);
  }
  if (!analysis_->Ready()) tripsView_->SetProgress(0, static_cast<size_t>(list_->RowCount()));
  tripsView_->show();
  tripsView_->raise();
  tripsView_->activateWindow();
}

void COrviaDlg::UpdateEventMarks() {
  auto* bar = static_cast<CBitSlider*>(Control(kTimeLine));
  if (!bar || !playback_) return;
  const int row = playback_->controller().currentRow();
  bar->SetMarks(row >= 0 && row < list_->RowCount()
                    ? analysis_->EventSecondsOf(list_->RowText(row, 4).toStdString())
                    : std::vector<int>{});
}

void COrviaDlg::PlayTrip(int index) {
  const CardSummary& summary = analysis_->Summary();
  if (index < 0 || static_cast<size_t>(index) >= summary.trips.size()) return;
  const Trip& trip = summary.trips[static_cast<size_t>(index)];
  if (!trip.recordings.empty()) PlayRecordingAt(trip.recordings.front(), 0);
}

void COrviaDlg::PlayEvent(int index) {
  const CardSummary& summary = analysis_->Summary();
  if (index < 0 || static_cast<size_t>(index) >= summary.events.size()) return;
  const CardEvent& e = summary.events[static_cast<size_t>(index)];
  currentEvent_ = index;
  if (tripsView_) tripsView_->SelectEvent(index);
  // Ten seconds before the event, in the trip's previous recording when
  // the event is early in its own.
  size_t recording = e.recording;
  int second = e.second - kLeadInSeconds;
  if (second < 0) {
    const Trip* trip = TripOf(summary, recording);
    const auto at = trip ? std::find(trip->recordings.begin(), trip->recordings.end(), recording)
                         : std::vector<size_t>::const_iterator{};
    if (trip && at != trip->recordings.begin()) {
      recording = *(at - 1);
      second += static_cast<int>(summary.recordings[recording].telemetry.seconds.size());
    }
    second = std::max(second, 0);
  }
  PlayRecordingAt(recording, second);
}

const Trip* COrviaDlg::TripOf(const CardSummary& summary, size_t recording) {
  for (const Trip& t : summary.trips)
    if (std::find(t.recordings.begin(), t.recordings.end(), recording) != t.recordings.end()) return &t;
  return nullptr;
}

// Plays a recording of the summary from a second. The list keeps its rows
// when the recording's trip follows it there in order; otherwise the list
// becomes the trip's recordings, so that they play one after the other.
void COrviaDlg::PlayRecordingAt(size_t recording, int second) {
  if (!playback_) return;
  const CardSummary& summary = analysis_->Summary();
  const Trip* trip = TripOf(summary, recording);
  std::vector<std::string> following;
  if (trip) {
    for (auto it = std::find(trip->recordings.begin(), trip->recordings.end(), recording);
         it != trip->recordings.end(); ++it)
      following.push_back(summary.recordings[*it].path);
  } else {
    following.push_back(summary.recordings[recording].path);
  }
  int row = RowOfPath(following.front());
  bool inOrder = row >= 0;
  for (size_t i = 1; inOrder && i < following.size(); ++i)
    inOrder = row + static_cast<int>(i) < list_->RowCount() &&
              list_->RowText(row + static_cast<int>(i), 4).toStdString() == following[i];
  if (!inOrder) {
    std::vector<std::string> tripPaths;
    for (size_t r : trip ? trip->recordings : std::vector<size_t>{recording})
      tripPaths.push_back(summary.recordings[r].path);
    // The analysis is of the card, not of this shorter list: it is kept.
    keepAnalysis_ = true;
    playback_->LoadList(ListRowTexts(CollectPathSources(tripPaths).rows));
    keepAnalysis_ = false;
    row = RowOfPath(following.front());
    if (row < 0) return;
  }
  PlaybackController& controller = playback_->controller();
  controller.OnListDoubleClick(row);
  if (second > 0) controller.OnTimeLine(second);
  UpdateEventMarks();
}

int COrviaDlg::RowOfPath(const std::string& path) const {
  const QString wanted = QString::fromStdString(path);
  for (int row = 0; row < list_->RowCount(); ++row)
    if (list_->RowText(row, 4) == wanted) return row;
  return -1;
}

bool COrviaDlg::JumpToEvent(bool forward) {
  if (!playback_ || !analysis_->Ready() || analysis_->Summary().events.empty()) return false;
  const CardSummary& summary = analysis_->Summary();
  const std::vector<CardEvent>& events = summary.events;
  const int count = static_cast<int>(events.size());
  const PlaybackController& controller = playback_->controller();
  const int row = controller.currentRow();
  const int recording = row >= 0 && row < list_->RowCount()
                            ? analysis_->RecordingIndexOf(list_->RowText(row, 4).toStdString())
                            : -1;
  int target = -1;
  if (recording < 0) {
    // Nothing of the card is open: the first or the last event.
    target = forward ? 0 : count - 1;
  } else {
    const int64_t now =
        TimeInRecording(summary.recordings[static_cast<size_t>(recording)], controller.position());
    const bool inCurrent = currentEvent_ >= 0 && currentEvent_ < count &&
                           now >= events[static_cast<size_t>(currentEvent_)].time - kLeadInSeconds - 1 &&
                           now <= events[static_cast<size_t>(currentEvent_)].time;
    if (inCurrent) {
      // Still in the lead-in of the event last played: its neighbours, also
      // those of the same second.
      target = currentEvent_ + (forward ? 1 : -1);
    } else if (forward) {
      for (int i = 0; i < count && target < 0; ++i)
        if (events[static_cast<size_t>(i)].time > now) target = i;
    } else {
      for (int i = count - 1; i >= 0 && target < 0; --i)
        if (events[static_cast<size_t>(i)].time < now) target = i;
    }
  }
  if (target < 0 || target >= count) return false;
  PlayEvent(target);
  return true;
}

}  // namespace orvia
