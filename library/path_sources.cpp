#include "library/path_sources.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "base/localized_text.h"
#include "library/recording_names.h"

namespace orvia {
namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kSeparator) return folder + name;
  return folder + kSeparator + name;
}

std::string BaseName(std::string path) {
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  const size_t slash = path.rfind(kSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.rfind(kSeparator);
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const ModeFolder* ModeFolderNamed(const std::string& name) {
  for (const ModeFolder& m : kModeFolders)
    if (name == m.folder) return &m;
  return nullptr;
}

bool AllDigits(const std::string& s, size_t pos, size_t count) {
  if (s.size() < pos + count) return false;
  for (size_t i = pos; i < pos + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// The sort key of a file: from a recorder's name ("mdr_YYYYMMDD_HHMMSS..."),
// else from its modification time.
std::string SortKeyOf(const std::string& name, time_t modified) {
  if (name.compare(0, 4, "mdr_") == 0 && AllDigits(name, 4, 8) && AllDigits(name, 13, 6))
    return RecordingSortKey(RecordingDateText(name), RecordingTimeText(name));
  std::tm local{};
  localtime_r(&modified, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// The type text of a loose file: the mode folder it lies in (directly or one
// sub-folder down), else the generic file type.
std::string TypeOf(const std::string& path) {
  const std::string parent = ParentFolder(path);
  for (const std::string& folder : {parent, ParentFolder(parent)})
    if (const ModeFolder* m = ModeFolderNamed(BaseName(folder))) return GetLocalizedText(m->typeKey);
  return GetLocalizedText("IDS_CAPTION_MODE_FILE");
}

class Collector {
 public:
  // Adds a regular, non-empty .avi file; the number of recordings added (0 or 1).
  int AddFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return 0;
    const std::string name = BaseName(path);
    if (!HasRecordingExtension(name)) return 0;
    if (entries_.size() >= kMaxPathRecordings) return 0;
    if (!seen_.insert(Canonical(path)).second) return 1;  // already listed through another path
    entries_.push_back({TypeOf(path), SortKeyOf(name, st.st_mtime), path});
    return 1;
  }

  // A folder searched like a mode folder: its files, then its sub-folders' files.
  int AddFolder(const std::string& folder) {
    int added = 0;
    for (const std::string& name : ListFolder(folder)) {
      const std::string path = JoinPath(folder, name);
      if (!IsFolder(path)) {
        added += AddFile(path);
        continue;
      }
      for (const std::string& inner : ListFolder(path)) added += AddFile(JoinPath(path, inner));
    }
    return added;
  }

  int AddCard(const std::string& root) {
    int added = 0;
    for (PlayListEntry& e : CollectPlayListEntries(root, 0)) {
      if (entries_.size() >= kMaxPathRecordings) break;
      ++added;
      if (seen_.insert(Canonical(e.path)).second) entries_.push_back(std::move(e));
    }
    return added;
  }

  std::vector<PlayListEntry> Take() { return std::move(entries_); }

 private:
  static std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
  }

  std::vector<PlayListEntry> entries_;
  std::set<std::string> seen_;
};

}  // namespace

bool IsCardFolder(const std::string& folder) {
  for (const ModeFolder& m : kModeFolders)
    if (IsFolder(JoinPath(folder, m.folder))) return true;
  return false;
}

std::vector<PlayListRow> ScanFolderPlayList(const std::string& folder, int modeIndex) {
  std::vector<PlayListRow> rows = CollectPathSources({folder}).rows;
  if (modeIndex == 0) return rows;
  std::string type;
  for (const ModeFolder& m : kModeFolders)
    if (m.filterIndex == modeIndex) type = GetLocalizedText(m.typeKey);
  std::vector<PlayListEntry> kept;
  for (PlayListRow& r : rows)
    if (r.type == type) kept.push_back({r.type, RecordingSortKey(r.date, r.time), std::move(r.path)});
  return BuildPlayListRows(std::move(kept));
}

bool HasRecordingExtension(const std::string& fileName) {
  if (fileName.size() < 5) return false;
  std::string ext = fileName.substr(fileName.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".avi";
}

PathSources CollectPathSources(const std::vector<std::string>& paths) {
  PathSources found;
  Collector collector;
  for (const std::string& path : paths) {
    PathSource source{path, PathKind::kMissing, 0};
    struct stat st {};
    if (!path.empty() && stat(path.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode) && IsCardFolder(path)) {
        // The recorder's layout, and anything else a copy put beside or
        // directly inside the mode folders.
        source.kind = PathKind::kCard;
        source.recordings = collector.AddCard(path) + collector.AddFolder(path);
      } else if (S_ISDIR(st.st_mode)) {
        source.kind = PathKind::kFolder;
        source.recordings = collector.AddFolder(path);
      } else if (S_ISREG(st.st_mode)) {
        source.kind = PathKind::kFile;
        source.recordings = collector.AddFile(path);
      }
    }
    found.sources.push_back(source);
  }
  found.rows = BuildPlayListRows(collector.Take());
  if (found.sources.size() == 1 && found.sources[0].kind == PathKind::kCard) {
    found.cardRoot = found.sources[0].path;
    while (found.cardRoot.size() > 1 && found.cardRoot.back() == kSeparator) found.cardRoot.pop_back();
    if (found.cardRoot.back() != kSeparator) found.cardRoot.push_back(kSeparator);
  }
  return found;
}

std::vector<std::string> PathsWithoutRecordings(const PathSources& found) {
  std::vector<std::string> paths;
  for (const PathSource& s : found.sources)
    if (s.recordings == 0) paths.push_back(s.path);
  return paths;
}

}  // namespace orvia
