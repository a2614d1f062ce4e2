// Opening what the user points at: paths from the command line and paths
// dropped on the window. The search itself is library/path_sources.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "base/localized_text.h"
#include "controls/message_box.h"
#include "library/card_drives.h"
#include "library/path_sources.h"

namespace orvia {
namespace {

QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

}  // namespace

QList<QStringList> ListRowTexts(const std::vector<PlayListRow>& rows) {
  QList<QStringList> texts;
  for (const PlayListRow& r : rows)
    texts.append({QString::fromStdString(r.number), QString::fromStdString(r.date),
                  QString::fromStdString(r.time), QString::fromStdString(r.type),
                  QString::fromStdString(r.path)});
  return texts;
}

bool COrviaDlg::OpenPaths(const QStringList& paths) {
  std::vector<std::string> absolute;
  for (const QString& p : paths) {
    // A file URL (as some file managers hand over) names the same file.
    const QUrl url(p);
    const QString local = url.isLocalFile() ? url.toLocalFile() : p;
    absolute.push_back(QFileInfo(local).absoluteFilePath().toStdString());
  }
  const PathSources found = CollectPathSources(absolute);

  if (!found.rows.empty()) {
    const QList<QStringList> rows = ListRowTexts(found.rows);
    // A single card becomes the card in use (settings, removal); loose
    // recordings belong to no card.
    const QString card = QString::fromStdString(found.cardRoot);
    if (!card.isEmpty()) AddUserCard(QString::fromStdString(TrimTrailingSeparators(found.cardRoot)));
    // Offered again at the next start: the one path, or the folder of the first.
    const QString first = QString::fromStdString(absolute.front());
    RememberSource(absolute.size() == 1 ? first : QFileInfo(first).absolutePath());
    SetCardRoot(card);
    if (playback_)
      playback_->LoadList(rows);
    else
      SetRows(rows);
  }

  const std::vector<std::string> empty = PathsWithoutRecordings(found);
  if (!empty.empty()) {
    // What was found plays; the user learns which paths gave nothing.
    QString text = QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_NO_RECORDINGS_IN"));
    for (const std::string& p : empty) text += "\n" + QString::fromStdString(p);
    ShowLocalizedMessageBox(text);
  }
  return !found.rows.empty();
}

bool COrviaDlg::TakeChildDrop(QObject* watched, QEvent* event) {
  // Every part of the window takes a drop as the window does: the map page
  // would otherwise open a dropped file itself, and the views and the list
  // would refuse it.
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  QWidget* w = qobject_cast<QWidget*>(watched);
  if (!w || w == this || !isAncestorOf(w)) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
      dragEnterEvent(static_cast<QDragEnterEvent*>(event));
      return true;
    case QEvent::DragMove: {
      auto* move = static_cast<QDragMoveEvent*>(event);
      if (!LocalPaths(move->mimeData()).isEmpty()) move->acceptProposedAction();
      return true;
    }
    case QEvent::Drop:
      dropEvent(static_cast<QDropEvent*>(event));
      return true;
    default:
      return false;
  }
}

void COrviaDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void COrviaDlg::dropEvent(QDropEvent* event) {
  const QStringList paths = LocalPaths(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  OpenPaths(paths);
}

}  // namespace orvia
