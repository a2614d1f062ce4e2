// Recordings from paths the user points at: on the command line, dropped on
// the window, or chosen as a folder. A path may be a card root or a copy of
// one (a folder carrying the mode folders), any folder holding recordings
// (searched like a mode folder: its own files and those of its sub-folders,
// one level), or a single .avi recording.
//
// Plain logic, no Qt.
#pragma once

#include <string>
#include <vector>

#include "library/play_list.h"

namespace orvia {

// What one path gave.
enum class PathKind {
  kMissing,  // nothing there, or neither a folder nor a regular file
  kCard,     // a folder with at least one of the mode folders
  kFolder,   // another folder
  kFile,     // a regular file
};

struct PathSource {
  std::string path;  // as given
  PathKind kind = PathKind::kMissing;
  int recordings = 0;  // recordings found through this path
};

struct PathSources {
  std::vector<PathSource> sources;  // one per path, in the order given
  // Every recording found, sorted by date and time and numbered; a file named
  // through two paths is listed once.
  std::vector<PlayListRow> rows;
  // The card root (with its trailing '/') when exactly one path was given and
  // it is a card; empty otherwise.
  std::string cardRoot;
};

// Largest number of recordings collected from all paths together; a card
// holds a few thousand.
constexpr size_t kMaxPathRecordings = 100000;

// True when the file name ends in ".avi" (any case).
bool HasRecordingExtension(const std::string& fileName);

// The recordings under `paths`. Type texts come from the string file: the
// mode folder's type for files inside a mode folder, IDS_CAPTION_MODE_FILE
// for others. Recording names give the date and time; other .avi files take
// their modification time (local time).
PathSources CollectPathSources(const std::vector<std::string>& paths);

// True when the folder carries at least one of the mode folders.
bool IsCardFolder(const std::string& folder);

// The play-list rows of a card or a folder, as CollectPathSources finds them,
// keeping with a mode filter (1..4) the rows whose type is that mode's.
std::vector<PlayListRow> ScanFolderPlayList(const std::string& folder, int modeIndex);

// The paths that gave no recordings, in the order given.
std::vector<std::string> PathsWithoutRecordings(const PathSources& found);

}  // namespace orvia
