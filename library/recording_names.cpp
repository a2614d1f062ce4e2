#include "library/recording_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include "base/utf.h"

namespace orvia {

const ModeFolder kModeFolders[kModeCount] = {
    {"Normal", "IDS_CAPTION_MODE_NORMAL", "IDS_CAPTION_MODE_NORMAL_FILE", 1},
    {"Event", "IDS_CAPTION_MODE_EVENT", "IDS_CAPTION_MODE_EVENT_FILE", 2},
    {"Parking", "IDS_CAPTION_MODE_PARKING", "IDS_CAPTION_MODE_PARKING_FILE", 3},
    {"ParkingEvent", "IDS_CAPTION_MODE_MOTION", "IDS_CAPTION_MODE_MOTION_FILE", 4},
};

namespace {

// Characters count as 16-bit code units, as the names' positions do.
std::u16string Mid(std::u16string_view s, size_t pos, size_t len) {
  if (pos >= s.size()) return {};
  return std::u16string(s.substr(pos, len));
}

void InsertAt(std::u16string& s, size_t pos, char16_t c) { s.insert(pos > s.size() ? s.size() : pos, 1, c); }

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string p(folder);
  if (!p.empty() && p.back() != kSeparator) p.push_back(kSeparator);
  p.append(name);
  return p;
}

// Lists a folder's entries (names only) in the order the file system gives.
template <typename Fn>
void ForEachEntry(const std::string& folder, Fn fn) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    fn(name);
  }
  closedir(dir);
}

}  // namespace

bool IsRecordingName(std::string_view fileName) {
  return fileName.find("mdr_") != std::string_view::npos && fileName.find(".avi") != std::string_view::npos;
}

std::string RecordingDateText(std::string_view fileName) {
  std::u16string d = Mid(Utf8ToUtf16(fileName), 4, 8);
  InsertAt(d, 4, u'-');
  InsertAt(d, 7, u'-');
  return Utf16ToUtf8(d);
}

std::string RecordingTimeText(std::string_view fileName) {
  std::u16string t = Mid(Utf8ToUtf16(fileName), 13, 6);
  InsertAt(t, 2, u':');
  InsertAt(t, 5, u':');
  return Utf16ToUtf8(t);
}

std::string RecordingSortKey(std::string_view date, std::string_view time) {
  std::string key(date);
  key.push_back(' ');
  key.append(time);
  return key;
}

std::string ModeFolderPattern(RecordingMode mode, std::string_view cardText) {
  std::string p(cardText);
  p.push_back(kSeparator);
  p.append(kModeFolders[static_cast<int>(mode)].folder);
  p.push_back(kSeparator);
  p.append("*.*");
  return p;
}

std::vector<FoundRecording> FindModeRecordings(std::string_view cardRoot, RecordingMode mode) {
  std::vector<FoundRecording> found;
  std::string modeFolder = JoinPath(cardRoot, kModeFolders[static_cast<int>(mode)].folder);
  ForEachEntry(modeFolder, [&](std::string_view sub) {
    std::string subPath = JoinPath(modeFolder, sub);
    struct stat st {};
    if (stat(subPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    ForEachEntry(subPath, [&](std::string_view name) {
      std::string path = JoinPath(subPath, name);
      struct stat fst {};
      if (stat(path.c_str(), &fst) != 0 || S_ISDIR(fst.st_mode) || fst.st_size == 0) return;
      if (!IsRecordingName(name)) return;
      found.push_back({path, RecordingDateText(name), RecordingTimeText(name)});
    });
  });
  return found;
}

}  // namespace orvia
