// A file written under a temporary name beside its final one and renamed
// into place only when whole, so that no reader ever sees half of it, and
// removed when the writer gives up, fails, or the process is stopped by
// SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <sys/types.h>

#include <string>

namespace orvia {

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();  // removes the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates a new, uniquely named file in the folder of `path` (mode 0666
  // less the umask, or `keepMode` when it is not 0), after removing the
  // temporary files that killed runs of this program left for the same
  // target. False with `error` naming the cause when the folder takes no
  // new file.
  bool Create(const std::string& path, std::string* error, mode_t keepMode = 0);
  int fd() const { return fd_; }
  const std::string& TempPath() const { return temp_; }
  // Flushes the file to the medium, closes it, renames it over the target
  // and flushes the folder. False with `error` on any failure (the
  // temporary file is then removed).
  bool Commit(std::string* error);
  // Closes and removes the temporary file now.
  void Discard();

 private:
  std::string path_;
  std::string temp_;
  int fd_ = -1;
  int slot_ = -1;
};

// A folder filled under a temporary name beside its final one (an evidence
// pack) and renamed into place only when whole, so that a folder under the
// final name is always complete. Removed with everything in it when the
// writer gives up or fails, and when the process is stopped by SIGINT,
// SIGTERM or SIGHUP; the temporary folders of killed runs are removed by the
// next Create for the same target.
class PendingFolder {
 public:
  PendingFolder() = default;
  ~PendingFolder();  // removes the temporary folder unless it was committed
  PendingFolder(const PendingFolder&) = delete;
  PendingFolder& operator=(const PendingFolder&) = delete;

  // Creates a new, uniquely named, empty folder beside `path`. False with
  // `error` when `path` exists already or its folder takes no new folder.
  bool Create(const std::string& path, std::string* error);
  const std::string& TempPath() const { return temp_; }
  // Flushes the folder, renames it to the target (never over an existing
  // one) and flushes the target's parent. The files inside must have been
  // flushed by their writers. False with `error` (the folder is then
  // removed).
  bool Commit(std::string* error);
  // Removes the temporary folder and everything in it now.
  void Discard();

 private:
  std::string path_;
  std::string temp_;
  int slot_ = -1;
};

// Makes SIGINT, SIGTERM and SIGHUP remove every pending file and folder
// before the process ends as the signal would end it. Call once at start.
void RemovePendingFilesOnSignals();

// The folder part of a path ("." for a bare name).
std::string FolderOfPath(const std::string& path);
// Flushes a folder's entries (a rename or a new name) to the medium.
bool SyncFolder(const std::string& folder);

// Removes the temporary files of `path` whose writing process is gone.
void RemoveStaleTempFiles(const std::string& path);

}  // namespace orvia
