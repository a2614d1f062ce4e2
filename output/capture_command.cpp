#include "output/capture_command.h"

#include <QStandardPaths>

#include "base/localized_text.h"
#include "controls/message_box.h"

namespace orvia {

QString SnapshotFolder() {
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty()) pictures = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
  if (!pictures.endsWith('/')) pictures += '/';
  return pictures + QStringLiteral("orvia/capture/");
}

CaptureResult RunCapture(player::PlayerControl* front, player::PlayerControl* rear, int rowCount,
                         const RecordingDate& date, const QString& folder) {
  CaptureRequest request;
  request.rowCount = rowCount;
  request.folder = folder.toStdString();
  if (!request.folder.empty() && request.folder.back() != '/') request.folder += '/';
  request.frontLabel = GetLocalizedText("IDS_CAPTION_VIEW_FRONT");
  request.rearLabel = GetLocalizedText("IDS_CAPTION_VIEW_REAR");
  request.date = date;
  const CaptureResult result = CaptureSnapshots(front, rear, request);
  if (result.outcome == CaptureOutcome::kNothingToCapture) return result;
  const char* key =
      result.outcome == CaptureOutcome::kSaved ? "IDS_CAPTION_CAPTURE_SUCCESS" : "IDS_CAPTION_CAPTURE_FAIL";
  // The message names the folder, so that the user can find the pictures
  // (or see where they could not be written).
  ShowLocalizedMessageBox(
      QString::fromStdString(GetLocalizedText(key)) + "\n" + QString::fromStdString(request.folder),
      QMessageBox::Ok);
  return result;
}

}  // namespace orvia
