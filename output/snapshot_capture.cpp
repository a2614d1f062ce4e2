#include "output/snapshot_capture.h"

#include <sys/stat.h>

#include <cstdio>

#include "base/paths.h"
#include "output/snapshot_suffix.h"
#include "player/player_contract.h"

namespace orvia {

std::string SnapshotTimeText(const RecordingDate& date) {
  // Wide enough for any int in every field: the fields are not trusted to
  // be in range.
  char text[96];
  std::snprintf(text, sizeof(text), "20%02d-%02lld-%02d-%02d:%02d:%02d", date.year,
                static_cast<long long>(date.month) + 1, date.day, date.hour, date.minute, date.second);
  std::string result = text;
  RemoveColons(result);
  return result;
}

std::string SnapshotFilePath(std::string_view folder, std::string_view viewLabel, const RecordingDate& date) {
  std::string label(viewLabel);
  for (char& c : label) {
    if (c == '/' || c == '\\') c = '_';
  }
  std::string path(folder);
  path += '[';
  path += label;
  path += ']';
  path += SnapshotTimeText(date);
  path += ".bmp";
  return path;
}

bool CreateFolderPath(std::string_view path) {
  if (!path.empty() && path.back() == '/') path.remove_suffix(1);
  if (path.empty()) return true;  // the root
  const std::string name(path);
  struct stat info {};
  if (stat(name.c_str(), &info) == 0) return true;
  const size_t cut = path.rfind('/');
  if (cut != std::string_view::npos) CreateFolderPath(path.substr(0, cut));
  mkdir(name.c_str(), 0755);
  return stat(name.c_str(), &info) == 0;
}

namespace {

bool SaveSnapshotAt(player::PlayerControl* control, std::string_view folder, const std::string& path) {
  if (control == nullptr) return false;
  CreateFolderPath(folder);
  return control->SaveSnapshot(path) == player::kCallOk;
}

}  // namespace

bool SaveViewSnapshot(player::PlayerControl* control, std::string_view folder, std::string_view viewLabel,
                      const RecordingDate& date) {
  return SaveSnapshotAt(control, folder, SnapshotFilePath(folder, viewLabel, date));
}

CaptureResult CaptureSnapshots(player::PlayerControl* front, player::PlayerControl* rear,
                               const CaptureRequest& request) {
  CaptureResult result;
  if (request.rowCount <= 0) return result;
  // An earlier capture of the same second keeps its files: this pair takes
  // the first number that neither name has yet.
  const std::string frontPath = SnapshotFilePath(request.folder, request.frontLabel, request.date);
  const std::string rearPath = SnapshotFilePath(request.folder, request.rearLabel, request.date);
  const int number = FreeSnapshotNumber({frontPath, rearPath});
  if (number == 0) {
    result.outcome = CaptureOutcome::kFailed;
    return result;
  }
  result.frontPath = NumberedSnapshotPath(frontPath, number);
  result.rearPath = NumberedSnapshotPath(rearPath, number);
  result.frontSaved = SaveSnapshotAt(front, request.folder, result.frontPath);
  result.rearSaved = SaveSnapshotAt(rear, request.folder, result.rearPath);
  result.outcome = (result.frontSaved || result.rearSaved) ? CaptureOutcome::kSaved : CaptureOutcome::kFailed;
  return result;
}

}  // namespace orvia
