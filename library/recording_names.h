// The recorder's card layout and its recording names: mdr_YYYYMMDD_HHMMSS.avi
// files in sub-folders of the four mode folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvia {

enum class RecordingMode { kNormal = 0, kEvent = 1, kParking = 2, kParkingEvent = 3 };
constexpr int kModeCount = 4;

struct ModeFolder {
  const char* folder;     // folder name at the card root
  const char* typeKey;    // string-file key of the type text of a row
  const char* filterKey;  // string-file key of the mode filter entry
  int filterIndex;        // 1..4; 0 means all modes
};
// In scan order: Normal, Event, Parking, ParkingEvent.
extern const ModeFolder kModeFolders[kModeCount];
constexpr const char* kAllModesKey = "IDS_CAPTION_MODE_ALL";
constexpr const char* kConfigFolder = "Config";

// Path separator of this platform.
constexpr char kSeparator = '/';

// True when the name contains "mdr_" and ".avi" (case-sensitive, anywhere).
bool IsRecordingName(std::string_view fileName);
// "YYYY-MM-DD" from positions 4..11 of the name (shorter for short names).
std::string RecordingDateText(std::string_view fileName);
// "HH:MM:SS" from positions 13..18 of the name (shorter for short names).
std::string RecordingTimeText(std::string_view fileName);
// "<date> <time>": the key the play list sorts by.
std::string RecordingSortKey(std::string_view date, std::string_view time);
// Search pattern of a mode folder below the card text: "<card>/Normal/*.*".
std::string ModeFolderPattern(RecordingMode mode, std::string_view cardText);

struct FoundRecording {
  std::string path;  // full path
  std::string date;  // date text
  std::string time;  // time text
};
// The recordings of one mode folder: the files with recording names and a
// non-zero length in the folder's sub-folders (one level), in the order the
// file system lists them. A missing folder gives none.
std::vector<FoundRecording> FindModeRecordings(std::string_view cardRoot, RecordingMode mode);

}  // namespace orvia
