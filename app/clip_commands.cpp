#include "app/clip_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <ctime>

#include "app/card_analysis.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/video_dialog.h"
#include "base/localized_text.h"
#include "controls/colored_list_ctrl.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "library/card_range.h"
#include "library/card_root.h"
#include "library/telemetry_cache.h"
#include "output/clip_export.h"
#include "output/evidence_pack.h"
#include "output/render_export.h"
#include "output/track_export.h"
#include "playback/telemetry.h"

namespace orvia {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

constexpr int64_t kNearbySeconds = 3600;
constexpr int kPathColumn = 4;

int64_t EndOf(const CardRecording& r) {
  return TimeInRecording(r, 0) + static_cast<int64_t>(std::max<size_t>(r.telemetry.seconds.size(), 1));
}

const CardRecording* Find(const std::vector<CardRecording>& recordings, const QString& path) {
  const std::string wanted = path.toStdString();
  for (const CardRecording& r : recordings)
    if (r.path == wanted) return &r;
  return nullptr;
}

QString PlayingPath(COrviaDlg& window) {
  MainWindowPlayback* playback = window.Playback();
  if (!playback || !playback->controller().fileOpen()) return {};
  const int row = playback->controller().currentRow();
  if (row < 0 || row >= window.RecordingList()->RowCount()) return {};
  return window.RecordingList()->RowText(row, kPathColumn);
}

// "clip_20261207_083554.mp4" in the folder of the last export.
QString SuggestedClipPath(COrviaDlg& window, int64_t from) {
  const time_t t = static_cast<time_t>(from);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char name[48];
  std::strftime(name, sizeof name, "clip_%Y%m%d_%H%M%S.mp4", &parts);
  const QString folder = window.ExportFolder().isEmpty() ? QDir::homePath() : window.ExportFolder();
  return QDir(folder).filePath(QString::fromLatin1(name));
}

// A progress dialog that shows after half a second, with the time left
// once a little of the work is done; its Cancel stops the work at its next
// report.
class Progress {
 public:
  explicit Progress(QWidget* parent, const char* workingKey = "IDS_CAPTION_EXPORT_WORKING")
      : working_(Text(workingKey)), dialog_(working_, Text("IDS_CAPTION_CANCEL"), 0, 1000, parent) {
    dialog_.setWindowTitle(QStringLiteral("Orvia"));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(500);
    started_.start();
  }
  ~Progress() { dialog_.reset(); }
  bool Report(double share) {
    share = std::clamp(share, 0.0, 1.0);
    dialog_.setValue(static_cast<int>(share * 1000));
    if (share > 0.02) {
      const qint64 left = static_cast<qint64>(started_.elapsed() * (1 - share) / share / 1000) + 1;
      dialog_.setLabelText(working_ + "\n" + Text("IDS_CAPTION_TIME_LEFT").arg(left));
    }
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QString working_;
  QProgressDialog dialog_;
  QElapsedTimer started_;
};

void Tell(bool ok, const QString& detail) {
  QString text = ok ? Text("IDS_CAPTION_EXPORT_COMPLETE") : Text("IDS_CAPTION_EXPORT_FAIL");
  if (!detail.isEmpty()) text += "\n" + detail;
  ShowLocalizedMessageBox(text, QMessageBox::Ok, ok ? QMessageBox::NoIcon : QMessageBox::Warning);
}

}  // namespace

std::vector<CardRecording> NearbyRecordings(COrviaDlg& window, int64_t around) {
  if (window.Analysis()->Ready()) return window.Analysis()->Summary().recordings;
  std::vector<std::string> paths;
  CColoredListCtrl* list = window.RecordingList();
  for (int row = 0; row < list->RowCount(); ++row)
    paths.push_back(list->RowText(row, kPathColumn).toStdString());
  std::vector<CardRecording> all = CardRecordingsAt(paths);
  std::vector<CardRecording> near;
  for (CardRecording& r : all)
    if (std::llabs(r.nameTime - around) <= kNearbySeconds) near.push_back(std::move(r));
  ReadTelemetryOf(near, TelemetryCacheFolder(), 2, {});
  std::stable_sort(near.begin(), near.end(), [](const CardRecording& a, const CardRecording& b) {
    return TimeInRecording(a, 0) < TimeInRecording(b, 0);
  });
  return near;
}

std::optional<int64_t> PlaybackMoment(COrviaDlg& window, const std::vector<CardRecording>& recordings) {
  const CardRecording* r = Find(recordings, PlayingPath(window));
  if (!r) return std::nullopt;
  return TimeInRecording(*r, window.Playback()->controller().position());
}

std::optional<ClockRange> ProposedClipRange(COrviaDlg& window, const std::vector<CardRecording>& recordings,
                                            const QStringList& selected, std::optional<int64_t> moment) {
  const auto around = [](int64_t t) { return ClockRange{t - kClipAroundSeconds, t + kClipAroundSeconds}; };
  if (moment) return around(*moment);
  const QString playing = PlayingPath(window);
  if (selected.size() > 1 || (selected.size() == 1 && selected.front() != playing)) {
    const CardRecording* first = Find(recordings, selected.front());
    const CardRecording* last = Find(recordings, selected.back());
    if (first && last) return ClockRange{TimeInRecording(*first, 0), EndOf(*last)};
  }
  if (const std::optional<int64_t> now = PlaybackMoment(window, recordings)) return around(*now);
  return std::nullopt;
}

namespace {

// The recordings near the moment (or near the first selected one, or the
// one that plays) and the range offered over them.
struct Offer {
  std::vector<CardRecording> recordings;
  ClockRange proposed;
};
std::optional<Offer> MakeOffer(COrviaDlg& window, const QStringList& selected,
                               std::optional<int64_t> moment) {
  int64_t reference = moment.value_or(0);
  if (!moment) {
    const QString path = selected.isEmpty() ? PlayingPath(window) : selected.front();
    if (path.isEmpty()) return std::nullopt;
    reference = CardRecordingsAt({path.toStdString()}).front().nameTime;
  }
  Offer offer;
  offer.recordings = NearbyRecordings(window, reference);
  const std::optional<ClockRange> proposed = ProposedClipRange(window, offer.recordings, selected, moment);
  if (!proposed) return std::nullopt;
  offer.proposed = *proposed;
  return offer;
}

// The output file, asked for with a name after the range's start; empty
// when cancelled.
QString AskOutput(COrviaDlg& window, const char* titleKey, const char* prefix, int64_t from) {
  const QString suggested = SuggestedClipPath(window, from).replace("/clip_", QString("/") + prefix + "_");
  const QString out =
      GetSaveFileName(&window, Text(titleKey), suggested, Text("IDS_CAPTION_EXPORT_FILTER_CLIP"));
  if (!out.isEmpty()) window.SetExportFolder(QFileInfo(out).absolutePath());
  return out;
}

}  // namespace

void ExportClipCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment) {
  const std::optional<Offer> offer = MakeOffer(window, selected, moment);
  if (!offer) return;
  const std::vector<CardRecording>& recordings = offer->recordings;
  const std::optional<ClockRange> range =
      AskClockRange(&window, Text("IDS_CAPTION_EXPORT_CLIP"), offer->proposed);
  if (!range) return;
  const RecordingRange covering = RecordingsCovering(recordings, range->from, range->to);
  if (covering.recordings.empty()) {
    Tell(false, Text("IDS_CAPTION_CLIP_NOTHING_THERE"));
    return;
  }
  const QString out = AskOutput(window, "IDS_CAPTION_EXPORT_CLIP", "clip", range->from);
  if (out.isEmpty()) return;

  std::vector<std::string> paths;
  for (size_t i : covering.recordings) paths.push_back(recordings[i].path);
  ClipExportOptions options;
  const std::string card =
      window.CardRoot().isEmpty() ? CardRootOfRecording(paths.front()) : window.CardRoot().toStdString();
  const TrackTimeZone zone = CardTimeZone(card);
  options.zoneKnown = zone.known;
  options.utcOffsetMinutes = zone.utcOffsetMinutes;
  ClipExportResult r;
  {
    Progress progress(&window);
    options.progress = [&progress](double share) { return progress.Report(share); };
    r = ExportClipAcross(paths, covering.fromMs, covering.toMs, out.toStdString(), options);
  }
  if (r.cancelled) return;
  Tell(r.ok, QString::fromStdString(r.ok ? r.note : r.error));
}

void ExportVideoCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment) {
  const std::optional<Offer> offer = MakeOffer(window, selected, moment);
  if (!offer) return;
  // The last choices come back where the window remembers between runs.
  VideoChoice proposal;
  proposal.range = offer->proposed;
  if (window.IsRemembering()) proposal = RememberedVideoChoice(offer->proposed);
  const std::optional<VideoChoice> choice = AskVideoChoice(&window, proposal);
  if (!choice) return;
  if (window.IsRemembering()) RememberVideoChoice(*choice);
  const RecordingRange covering = RecordingsCovering(offer->recordings, choice->range.from, choice->range.to);
  if (covering.recordings.empty()) {
    Tell(false, Text("IDS_CAPTION_CLIP_NOTHING_THERE"));
    return;
  }
  const QString out = AskOutput(window, "IDS_CAPTION_EXPORT_VIDEO", "video", choice->range.from);
  if (out.isEmpty()) return;
  RenderOptions options;
  for (size_t i : covering.recordings) options.recordings.push_back(offer->recordings[i].path);
  options.fromMs = covering.fromMs;
  options.toMs = covering.toMs;
  options.outputPath = out.toStdString();
  options.layout = choice->layout;
  options.width = choice->width;
  options.height = choice->height;
  options.quality = choice->quality;
  options.units = choice->units;
  options.overlay = choice->overlay;
  options.drawOverlay = choice->overlay.Any();
  RenderResult r;
  {
    Progress progress(&window, "IDS_CAPTION_RENDER_WORKING");
    options.progress = [&progress](double share) { return progress.Report(share); };
    r = RenderVideo(options);
  }
  if (r.cancelled) return;
  Tell(r.ok, QString::fromStdString(r.ok ? r.note : r.error));
}

void SaveEvidenceCommand(COrviaDlg& window, const QStringList& selected, std::optional<int64_t> moment) {
  EvidencePackOptions options;
  if (!moment) {
    const QString playing = PlayingPath(window);
    if (!playing.isEmpty() && (selected.isEmpty() || selected == QStringList{playing})) {
      const int64_t reference = CardRecordingsAt({playing.toStdString()}).front().nameTime;
      moment = PlaybackMoment(window, NearbyRecordings(window, reference));
    }
  }
  if (moment) {
    options.moment = IsoTimeText(*moment);
    options.cardRoot = window.CardRoot().toStdString();
    if (options.cardRoot.empty()) {
      // Recordings opened from elsewhere: the list's, and their card.
      CColoredListCtrl* list = window.RecordingList();
      for (int row = 0; row < list->RowCount(); ++row)
        options.recordings.push_back(list->RowText(row, kPathColumn).toStdString());
    }
  } else {
    for (const QString& p : selected) options.recordings.push_back(p.toStdString());
  }
  if (options.cardRoot.empty() && options.recordings.empty()) return;
  const QString start = window.ExportFolder().isEmpty() ? QDir::homePath() : window.ExportFolder();
  const QString folder = GetExistingFolder(&window, Text("IDS_CAPTION_SAVE_EVIDENCE"), start);
  if (folder.isEmpty()) return;
  window.SetExportFolder(folder);
  options.outputFolder = folder.toStdString();
  EvidencePackResult r;
  {
    Progress progress(&window);
    options.progress = [&progress](const std::string&, double share) { return progress.Report(share); };
    r = WriteEvidencePack(options);
  }
  if (r.cancelled) return;
  QString detail = QString::fromStdString(r.ok ? r.packFolder : r.error);
  for (const std::string& note : r.notes) detail += "\n" + QString::fromStdString(note);
  Tell(r.ok, detail);
}

}  // namespace orvia
