#include "base/pending_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/file_io.h"

namespace orvia {
namespace {

constexpr const char* kTempMark = ".orvia-tmp-";

// Pending files by name, where a signal handler may read them: fixed slots,
// no allocation. A slot is `ready` once its name is whole.
constexpr int kSlots = 32;
constexpr size_t kSlotChars = 4096;
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  bool folder = false;  // a pending folder, removed with what it holds
  char path[kSlotChars];
};
Slot g_slots[kSlots];

int Register(const std::string& temp, bool folder = false) {
  if (temp.size() >= kSlotChars) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!g_slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(g_slots[i].path, temp.c_str(), temp.size() + 1);
    g_slots[i].folder = folder;
    g_slots[i].ready.store(true);
    return i;
  }
  return -1;  // more pending files than slots: such a file is not removed by a signal
}

void Unregister(int slot) {
  if (slot < 0) return;
  g_slots[slot].ready.store(false);
  g_slots[slot].taken.store(false);
}

bool Registered(const std::string& temp) {
  for (const Slot& s : g_slots) {
    if (s.ready.load() && temp == s.path) return true;
  }
  return false;
}

// The deepest folder below a pending folder that is removed (a pack holds
// <mode>/<date>/<file>).
constexpr int kMaxTreeDepth = 8;

// Removes the folder `name` (relative to the open folder `parent`) with
// everything in it, through system calls alone, without allocating, so that
// a signal handler may call it. Entries are read again after each pass that
// removed something, as removing while reading may skip names.
void RemoveTreeAt(int parent, const char* name, int depth) {
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(struct dirent64) char buf[2048];
  for (bool removed = true; removed;) {
    removed = false;
    if (::lseek(fd, 0, SEEK_SET) != 0) break;
    for (ssize_t n; (n = ::getdents64(fd, buf, sizeof buf)) > 0;) {
      for (ssize_t off = 0; off < n;) {
        const auto* d = reinterpret_cast<const struct dirent64*>(buf + off);
        off += d->d_reclen;
        const char* e = d->d_name;
        if (e[0] == '.' && (e[1] == '\0' || (e[1] == '.' && e[2] == '\0'))) continue;
        if (d->d_type != DT_DIR && ::unlinkat(fd, e, 0) == 0) {
          removed = true;
        } else if ((d->d_type == DT_DIR || errno == EISDIR) && depth < kMaxTreeDepth) {
          RemoveTreeAt(fd, e, depth + 1);
          removed = removed || ::faccessat(fd, e, F_OK, AT_SYMLINK_NOFOLLOW) != 0;
        }
      }
    }
  }
  ::close(fd);
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

// Removes a pending file, or a pending folder with what it holds.
void RemovePath(const char* path, bool folder) {
  if (folder || (::unlink(path) != 0 && errno == EISDIR)) RemoveTreeAt(AT_FDCWD, path, 0);
}

void RemoveAndReraise(int sig) {
  for (Slot& s : g_slots) {
    if (s.ready.load()) RemovePath(s.path, s.folder);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempNameFor(const std::string& path) {
  unsigned char r[4] = {};
  if (::getrandom(r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
    static std::atomic<unsigned> counter{0};
    const unsigned c = counter++;
    std::memcpy(r, &c, sizeof r);
  }
  char tail[40];
  std::snprintf(tail, sizeof tail, "%d-%02x%02x%02x%02x", static_cast<int>(::getpid()), r[0], r[1], r[2],
                r[3]);
  return path + kTempMark + tail;
}

// The writing process of a temporary file's name, or -1 for another name.
pid_t WriterOf(const char* entry, const std::string& prefix) {
  if (std::strncmp(entry, prefix.c_str(), prefix.size()) != 0) return -1;
  const char* p = entry + prefix.size();
  long pid = 0;
  int digits = 0;
  while (*p >= '0' && *p <= '9' && digits < 10) pid = pid * 10 + (*p++ - '0'), ++digits;
  if (digits == 0 || *p != '-' || pid <= 0) return -1;
  return static_cast<pid_t>(pid);
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool SyncFolder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  // Some file systems refuse fsync on a folder; they have nothing to flush.
  const bool synced = ::fsync(dir) == 0 || errno == EINVAL || errno == EROFS;
  ::close(dir);
  return synced;
}

void RemoveStaleTempFiles(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  const std::string prefix = BaseName(path) + kTempMark;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const pid_t self = ::getpid();
  while (const dirent* e = ::readdir(dir)) {
    const pid_t writer = WriterOf(e->d_name, prefix);
    if (writer < 0) continue;
    const std::string full = folder + "/" + e->d_name;
    const bool gone = writer == self ? !Registered(full) : ::kill(writer, 0) != 0 && errno == ESRCH;
    if (gone) RemovePath(full.c_str(), e->d_type == DT_DIR);
  }
  ::closedir(dir);
}

PendingFile::~PendingFile() { Discard(); }

bool PendingFile::Create(const std::string& path, std::string* error, mode_t keepMode) {
  Discard();
  path_ = path;
  RemoveStaleTempFiles(path);
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string temp = TempNameFor(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, keepMode ? 0600 : 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      if (error) *error = WriteErrorText(errno);
      return false;
    }
    fd_ = fd;
    temp_ = std::move(temp);
    slot_ = Register(temp_);
    // File systems without modes (FAT) refuse this; their files have none to keep.
    if (keepMode) (void)!::fchmod(fd_, keepMode & 07777);
    return true;
  }
  if (error) *error = WriteErrorText(EEXIST);
  return false;
}

bool PendingFile::Commit(std::string* error) {
  if (fd_ < 0) {
    if (error) *error = WriteErrorText(EBADF);
    return false;
  }
  int err = ::fsync(fd_) == 0 ? 0 : errno;
  if (::close(fd_) != 0 && err == 0) err = errno;
  fd_ = -1;
  if (err == 0 && ::rename(temp_.c_str(), path_.c_str()) != 0) err = errno;
  if (err != 0) {
    if (error) *error = WriteErrorText(err);
    Discard();
    return false;
  }
  Unregister(slot_);
  slot_ = -1;
  temp_.clear();
  if (!SyncFolder(FolderOfPath(path_))) {
    if (error) *error = WriteErrorText(errno);
    return false;
  }
  return true;
}

void PendingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  Unregister(slot_);
  slot_ = -1;
  temp_.clear();
}

PendingFolder::~PendingFolder() { Discard(); }

bool PendingFolder::Create(const std::string& path, std::string* error) {
  Discard();
  path_ = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (error) *error = "it exists already";
    return false;
  }
  RemoveStaleTempFiles(path);
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string temp = TempNameFor(path);
    if (::mkdir(temp.c_str(), 0777) != 0) {
      if (errno == EEXIST) continue;
      if (error) *error = WriteErrorText(errno);
      return false;
    }
    temp_ = std::move(temp);
    slot_ = Register(temp_, true);
    return true;
  }
  if (error) *error = WriteErrorText(EEXIST);
  return false;
}

bool PendingFolder::Commit(std::string* error) {
  if (temp_.empty()) {
    if (error) *error = WriteErrorText(ENOENT);
    return false;
  }
  // The names made inside (files, sub-folders) reach the medium before the
  // folder gets its final name.
  std::error_code ec;
  bool synced = SyncFolder(temp_);
  for (const auto& e : std::filesystem::recursive_directory_iterator(temp_, ec)) {
    if (e.is_directory(ec) && !e.is_symlink(ec)) synced = SyncFolder(e.path().string()) && synced;
  }
  int err = synced && !ec ? 0 : (errno ? errno : EIO);
  if (err == 0 && ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE) != 0) {
    err = errno;
    // File systems without the no-replace rename: the plain one, after a
    // look that the target is still free (a rename may replace an empty folder).
    struct stat st {};
    if (err == EINVAL && ::lstat(path_.c_str(), &st) != 0)
      err = ::rename(temp_.c_str(), path_.c_str()) == 0 ? 0 : errno;
  }
  if (err != 0) {
    if (error) *error = err == EEXIST ? std::string("it exists already") : WriteErrorText(err);
    Discard();
    return false;
  }
  Unregister(slot_);
  slot_ = -1;
  temp_.clear();
  if (!SyncFolder(FolderOfPath(path_))) {
    if (error) *error = WriteErrorText(errno);
    return false;
  }
  return true;
}

void PendingFolder::Discard() {
  if (!temp_.empty()) RemoveTreeAt(AT_FDCWD, temp_.c_str(), 0);
  Unregister(slot_);
  slot_ = -1;
  temp_.clear();
}

void RemovePendingFilesOnSignals() {
  struct sigaction sa {};
  sa.sa_handler = RemoveAndReraise;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESETHAND;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace orvia
