// The recording list's context menu (right click): export a clip across
// the selected recordings or around the second that plays, the GPS track or
// the G-sensor data of the selected recordings, save an evidence pack, and
// show a recording in its folder. File names come from the standard
// save dialog (file_dialog.h); failures are told in the program's message box.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMenu;
class QPoint;

namespace orvia {

class COrviaDlg;
enum class TrackFormat;

class ListContextMenu : public QObject {
  Q_OBJECT

 public:
  // Installs itself on the window's recording list.
  explicit ListContextMenu(COrviaDlg* window);

  // The menu for the current selection; its actions are named "exportClip",
  // "exportTrack", "exportSensor", "exportVideo", "saveEvidence" and "showInFolder" and are disabled
  // without a selected row. The caller owns it.
  QMenu* BuildMenu();

  // The actions, on the selected rows.
  void ExportClip();
  void ExportTrack();
  void ExportSensor();
  void ExportVideo();
  void SaveEvidence();
  void ShowInFolder();

  // Opens a folder in the desktop's file manager; tests replace it.
  std::function<void(const QString& folder)> openFolder;

 private:
  QStringList SelectedPaths() const;
  void ExportTracks(const QString& titleKey, const QString& filterKey, const QString& extension);
  QString SuggestedPath(const QString& recording, const QString& extension) const;
  void Tell(bool ok, const QString& detail);

  COrviaDlg* window_;
};

}  // namespace orvia
