#include "app/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace orvia {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now; false when close reports an error (a lost write on NFS, say).
  bool Reset() {
    if (fd_ < 0) return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Flushes a folder's entries (the rename or the new name) to the medium.
bool SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return false;
  // Some file systems refuse fsync on a folder; they have nothing to flush.
  const bool synced = ::fsync(dir.get()) == 0 || errno == EINVAL || errno == EROFS;
  return synced;
}

std::string TempNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

bool RewriteInPlace(int fd, std::string_view bytes) {
  if (::lseek(fd, 0, SEEK_SET) != 0) return false;
  if (!WriteAll(fd, bytes)) return false;
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return false;
  return ::fsync(fd) == 0;
}

}  // namespace

ReadResult ReadRegularFile(const std::string& path, size_t maxBytes) {
  ReadResult r;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.ok()) {
    r.status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::kMissing
               : errno == ENXIO                      ? ReadStatus::kNotRegular
                                                     : ReadStatus::kUnreadable;
    return r;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    r.status = ReadStatus::kUnreadable;
    return r;
  }
  if (!S_ISREG(st.st_mode)) {
    r.status = ReadStatus::kNotRegular;
    return r;
  }
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
    r.status = ReadStatus::kTooLarge;
    return r;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  r.bytes.assign(size, '\0');
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd.get(), r.bytes.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      r.bytes.clear();
      r.status = ReadStatus::kUnreadable;
      return r;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < size) {
    r.bytes.clear();
    r.status = ReadStatus::kShort;
    return r;
  }
  r.status = ReadStatus::kOk;
  return r;
}

const char* ReadStatusText(ReadStatus s) {
  switch (s) {
    case ReadStatus::kOk:
      return "read";
    case ReadStatus::kMissing:
      return "no such file";
    case ReadStatus::kNotRegular:
      return "not a regular file";
    case ReadStatus::kUnreadable:
      return "cannot be read";
    case ReadStatus::kTooLarge:
      return "too large";
    case ReadStatus::kShort:
      return "read short (the file changed or the medium failed)";
  }
  return "cannot be read";
}

bool WriteFileDurably(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  const std::string folder = FolderOf(path);

  // An existing target: it must be a writable regular file. The mode is
  // checked as well as the open, because root opens a read-only file anyway
  // and the read-only mark is the user's (or the card's) wish.
  Fd target(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (target.ok()) {
    if (::fstat(target.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if ((st.st_mode & 0222) == 0) return false;
  } else if (errno != ENOENT) {
    return false;  // read-only, a folder, a vanished card...
  }

  const std::string temp = TempNameFor(path);
  Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, target.ok() ? 0600 : 0666));
  if (!out.ok()) {
    // The folder takes no new names (or is gone): an existing writable file
    // can still be rewritten where it is.
    return target.ok() && RewriteInPlace(target.get(), bytes) && target.Reset();
  }
  bool ok = true;
  if (target.ok()) {
    // Keep the replaced file's mode and, where we may, its owner. File
    // systems without modes (FAT) refuse these; their files have no mode to keep.
    (void)!::fchown(out.get(), st.st_uid, st.st_gid);
    (void)!::fchmod(out.get(), st.st_mode & 07777);
  }
  ok = WriteAll(out.get(), bytes) && ::fsync(out.get()) == 0;
  ok = out.Reset() && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return SyncFolder(folder);
  ::unlink(temp.c_str());
  return false;
}

}  // namespace orvia
