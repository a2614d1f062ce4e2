#include "base/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/pending_file.h"

namespace orvia {
namespace {

// The bytes a copy reads and writes per step.
constexpr size_t kCopyBlockBytes = size_t{1} << 20;

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Adopt(int fd) {
    Reset();
    fd_ = fd;
  }
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
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Rewrites an existing file where it stands, in one write from its start:
// a shorter text is padded to the old length with `pad`, so no truncate is
// needed and the file holds the old bytes or the new ones at every moment.
// A longer text that the medium cannot take whole is undone.
bool RewriteInPlace(int fd, const struct stat& st, std::string_view bytes, char pad, std::string* error) {
  const size_t oldSize = static_cast<size_t>(st.st_size);
  std::string text(bytes);
  if (text.size() < oldSize) text.append(oldSize - text.size(), pad);
  std::string old;
  if (text.size() > oldSize) {
    // Kept to be put back should the medium run out of room half-way.
    old.assign(oldSize, '\0');
    if (::pread(fd, old.data(), oldSize, 0) != static_cast<ssize_t>(oldSize)) {
      if (error) *error = WriteErrorText(errno ? errno : EIO);
      return false;
    }
  }
  const ssize_t n = ::pwrite(fd, text.data(), text.size(), 0);
  if (n != static_cast<ssize_t>(text.size())) {
    const int err = n < 0 ? errno : ENOSPC;
    if (n > 0 && !old.empty()) {
      (void)!::pwrite(fd, old.data(), old.size(), 0);
      (void)!::ftruncate(fd, static_cast<off_t>(oldSize));
    }
    if (error) *error = WriteErrorText(err);
    return false;
  }
  if (::fsync(fd) != 0) {
    if (error) *error = WriteErrorText(errno);
    return false;
  }
  return true;
}

// Opens a file for reading without blocking (opening a FIFO would otherwise
// wait for a writer) and checks with fstat, before any read, that it is a
// regular file.
ReadStatus OpenRegular(const std::string& path, Fd& fd, struct stat& st, int* err) {
  const int raw = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (raw < 0) {
    *err = errno;
    return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::kMissing
           : errno == ENXIO                      ? ReadStatus::kNotRegular
                                                 : ReadStatus::kUnreadable;
  }
  fd.Adopt(raw);
  if (::fstat(fd.get(), &st) != 0) {
    *err = errno;
    return ReadStatus::kUnreadable;
  }
  return S_ISREG(st.st_mode) && st.st_size >= 0 ? ReadStatus::kOk : ReadStatus::kNotRegular;
}

}  // namespace

ReadResult ReadRegularFile(const std::string& path, size_t maxBytes) {
  ReadResult r;
  Fd fd;
  struct stat st {};
  int err = 0;
  r.status = OpenRegular(path, fd, st, &err);
  if (r.status != ReadStatus::kOk) return r;
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

BlockRead ReadFileInBlocks(const std::string& path, size_t blockBytes,
                           const std::function<bool(std::string_view)>& take) {
  BlockRead r;
  Fd fd;
  struct stat st {};
  r.status = OpenRegular(path, fd, st, &r.err);
  if (r.status != ReadStatus::kOk) return r;
  r.size = static_cast<uint64_t>(st.st_size);
  std::string block(std::max<size_t>(1, std::min<uint64_t>(blockBytes, r.size)), '\0');
  uint64_t done = 0;
  while (done < r.size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), r.size - done));
    const ssize_t n = ::read(fd.get(), block.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      r.err = errno;
      r.status = ReadStatus::kUnreadable;
      return r;
    }
    if (n == 0) {
      r.status = ReadStatus::kShort;
      return r;
    }
    done += static_cast<uint64_t>(n);
    if (!take(std::string_view(block.data(), static_cast<size_t>(n)))) {
      r.stopped = true;
      return r;
    }
  }
  return r;
}

std::string BlockReadErrorText(const BlockRead& read) {
  if (read.status == ReadStatus::kUnreadable && read.err == EIO) return WriteErrorText(EIO);
  if (read.status == ReadStatus::kUnreadable && read.err != 0)
    return std::string(ReadStatusText(read.status)) + " (" + std::strerror(read.err) + ")";
  return ReadStatusText(read.status);
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

std::string WriteErrorText(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
      return "the disk is full";
    case EROFS:
      return "the disk is write-protected (read-only)";
    case EACCES:
    case EPERM:
      return "permission denied (the file or its folder is read-only)";
    case ENOENT:
    case ENOTDIR:
      return "the folder does not exist (was the card removed?)";
    case EISDIR:
      return "a folder has that name";
    case EIO:
      return "the medium reported an input/output error (was the card removed?)";
    case EEXIST:
      return "no free temporary name in the folder";
    default:
      return std::strerror(err);
  }
}

bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string* error,
                      const WriteOptions& options) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (path.empty()) return fail(WriteErrorText(ENOENT));

  // An existing target: it must be a writable regular file. The mode is
  // checked as well as the open, because root opens a read-only file anyway
  // and the read-only mark is the user's (or the card's) wish.
  Fd target(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (target.ok()) {
    if (::fstat(target.get(), &st) != 0) return fail(WriteErrorText(errno));
    if (!S_ISREG(st.st_mode)) return fail("not a regular file");
    if ((st.st_mode & 0222) == 0) return fail("the file is read-only");
  } else if (errno == EACCES && ::access(path.c_str(), F_OK) == 0) {
    return fail("the file is read-only");
  } else if (errno != ENOENT) {
    return fail(WriteErrorText(errno));
  }

  PendingFile out;
  std::string why;
  if (!out.Create(path, &why, target.ok() ? (st.st_mode & 07777) : 0)) {
    // The folder takes no new names (a full card): an existing writable file
    // can still be rewritten where it is, when the caller allows padding.
    if (target.ok() && options.padInPlace != 0)
      return RewriteInPlace(target.get(), st, bytes, options.padInPlace, error) && target.Reset();
    return fail("cannot create a file beside it: " + why);
  }
  // Keep the replaced file's owner where we may.
  if (target.ok()) (void)!::fchown(out.fd(), st.st_uid, st.st_gid);
  if (!WriteAll(out.fd(), bytes)) return fail(WriteErrorText(errno ? errno : ENOSPC));
  return out.Commit(error);
}

bool CopyFileDurably(const std::string& from, const std::string& to,
                     const std::function<bool(std::string_view)>& seen, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  PendingFile out;
  std::string why;
  if (!out.Create(to, &why)) return fail("cannot create " + to + ": " + why);
  int writeErr = 0;
  const BlockRead read = ReadFileInBlocks(from, kCopyBlockBytes, [&](std::string_view block) {
    if (!WriteAll(out.fd(), block)) {
      writeErr = errno ? errno : ENOSPC;
      return false;
    }
    return !seen || seen(block);
  });
  if (writeErr != 0) return fail("cannot write " + to + ": " + WriteErrorText(writeErr));
  if (read.status != ReadStatus::kOk) return fail("cannot read " + from + ": " + BlockReadErrorText(read));
  if (read.stopped) return fail("stopped");
  if (!out.Commit(&why)) return fail("cannot write " + to + ": " + why);
  return true;
}

}  // namespace orvia
