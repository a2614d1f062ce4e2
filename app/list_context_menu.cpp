#include "app/list_context_menu.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QUrl>

#include "app/clip_commands.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/map_settings.h"
#include "base/localized_text.h"
#include "controls/colored_list_ctrl.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "library/card_root.h"
#include "output/track_export.h"

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

constexpr int kPathColumn = 4;

}  // namespace

ListContextMenu::ListContextMenu(COrviaDlg* window) : QObject(window), window_(window) {
  openFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
  CColoredListCtrl* list = window->RecordingList();
  // Several recordings (a trip, a day) go into one track file: Ctrl and
  // Shift extend the selection, as in the platform's list controls.
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
    QMenu* menu = BuildMenu();
    menu->exec(list->viewport()->mapToGlobal(at));
    delete menu;
  });
}

QMenu* ListContextMenu::BuildMenu() {
  auto* menu = new QMenu(window_);
  const bool any = !SelectedPaths().isEmpty();
  auto add = [&](const char* name, const char* key, void (ListContextMenu::*slot)()) {
    QAction* a = menu->addAction(Text(key));
    a->setObjectName(name);
    a->setEnabled(any);
    connect(a, &QAction::triggered, this, slot);
  };
  add("exportClip", "IDS_CAPTION_EXPORT_CLIP", &ListContextMenu::ExportClip);
  add("exportTrack", "IDS_CAPTION_EXPORT_TRACK", &ListContextMenu::ExportTrack);
  add("exportSensor", "IDS_CAPTION_EXPORT_SENSOR", &ListContextMenu::ExportSensor);
  add("exportVideo", "IDS_CAPTION_EXPORT_VIDEO", &ListContextMenu::ExportVideo);
  add("saveEvidence", "IDS_CAPTION_SAVE_EVIDENCE", &ListContextMenu::SaveEvidence);
  menu->addSeparator();
  add("showInFolder", "IDS_CAPTION_SHOW_IN_FOLDER", &ListContextMenu::ShowInFolder);
  QAction* trips =
      menu->addAction(Text("IDS_CAPTION_TRIPS_MENU") + "\t" + QKeySequence(Qt::Key_T).toString());
  trips->setObjectName("tripsAndEvents");
  connect(trips, &QAction::triggered, window_, &COrviaDlg::OpenTripsView);
  QAction* mapSource = menu->addAction(Text("IDS_CAPTION_MAP_MENU"));  // map_settings.h
  mapSource->setObjectName("mapSource");
  connect(mapSource, &QAction::triggered, window_, [this] { ChooseMapSource(*window_); });
  return menu;
}

// Selected rows in list order.
QStringList ListContextMenu::SelectedPaths() const {
  CColoredListCtrl* list = window_->RecordingList();
  QStringList paths;
  for (int row = 0; row < list->RowCount(); ++row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (item->isSelected() && !item->text(kPathColumn).isEmpty()) paths << item->text(kPathColumn);
  }
  return paths;
}

QString ListContextMenu::SuggestedPath(const QString& recording, const QString& extension) const {
  const QString folder = window_->ExportFolder().isEmpty() ? QDir::homePath() : window_->ExportFolder();
  return QDir(folder).filePath(QFileInfo(recording).completeBaseName() + "." + extension);
}

void ListContextMenu::Tell(bool ok, const QString& detail) {
  const QString text =
      ok ? Text("IDS_CAPTION_EXPORT_COMPLETE") : Text("IDS_CAPTION_EXPORT_FAIL") + "\n" + detail;
  ShowLocalizedMessageBox(text, QMessageBox::Ok, ok ? QMessageBox::NoIcon : QMessageBox::Warning);
}

// One clip over the selected rows, or around the second that plays, across
// the one-minute files (clip_commands.h).
void ListContextMenu::ExportClip() { ExportClipCommand(*window_, SelectedPaths(), std::nullopt); }

// A rendered video of the selected rows or around the second that plays.
void ListContextMenu::ExportVideo() { ExportVideoCommand(*window_, SelectedPaths(), std::nullopt); }

// An evidence pack around the second that plays, or of the selected rows
// whole (clip_commands.h).
void ListContextMenu::SaveEvidence() { SaveEvidenceCommand(*window_, SelectedPaths(), std::nullopt); }

void ListContextMenu::ExportTrack() {
  ExportTracks("IDS_CAPTION_EXPORT_TRACK", "IDS_CAPTION_EXPORT_FILTER_TRACK", "gpx");
}

void ListContextMenu::ExportSensor() {
  ExportTracks("IDS_CAPTION_EXPORT_SENSOR", "IDS_CAPTION_EXPORT_FILTER_SENSOR", "csv");
}

// Every selected recording in one file, one track each, in time order; the
// format follows the chosen name (GPX unless it ends in .kml or .csv).
void ListContextMenu::ExportTracks(const QString& titleKey, const QString& filterKey,
                                   const QString& extension) {
  const QStringList paths = SelectedPaths();
  if (paths.isEmpty()) return;
  QString out = GetSaveFileName(window_, Text(titleKey.toLatin1().constData()),
                                SuggestedPath(paths[0], extension), Text(filterKey.toLatin1().constData()));
  if (out.isEmpty()) return;
  TrackFormat format;
  if (!TrackFormatFromName(out.toStdString(), format)) {
    out += "." + extension;
    TrackFormatFromName(out.toStdString(), format);
  }
  window_->SetExportFolder(QFileInfo(out).absolutePath());
  std::vector<std::string> inputs;
  for (const QString& p : paths) inputs.push_back(p.toStdString());
  if (WouldReplaceInput(out.toStdString(), inputs)) {
    Tell(false, out + ": the output would replace a recording it is made from");
    return;
  }

  std::vector<RecordingTrack> tracks;
  for (const QString& p : paths) {
    RecordingTrack t;
    std::string error;
    if (!LoadTrack(p.toStdString(), t, &error)) {
      Tell(false, QString::fromStdString(error));
      return;
    }
    tracks.push_back(std::move(t));
  }
  SortTracks(tracks);
  const std::string card = window_->CardRoot().isEmpty() ? CardRootOfRecording(paths[0].toStdString())
                                                         : window_->CardRoot().toStdString();
  std::string error;
  const bool ok =
      WriteFileReplacing(out.toStdString(), TrackText(format, tracks, CardTimeZone(card)), &error);
  Tell(ok, QString::fromStdString(error));
}

void ListContextMenu::ShowInFolder() {
  const QStringList paths = SelectedPaths();
  if (paths.isEmpty()) return;
  openFolder(QFileInfo(paths[0]).absolutePath());
}

}  // namespace orvia
