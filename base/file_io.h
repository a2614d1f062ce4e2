// Reading and writing the small files the program keeps on a card (settings,
// clock, string file) without hanging on special files and without reporting
// a write as done before the bytes are on the medium.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvia {

enum class ReadStatus {
  kOk,
  kMissing,     // no such file (or a folder of the path is missing)
  kNotRegular,  // a folder, FIFO, device or socket: never read
  kUnreadable,  // there, but open or read failed (permissions, I/O error)
  kTooLarge,    // larger than the caller's limit
  kShort,       // fewer bytes came than the file's size announced
};

struct ReadResult {
  ReadStatus status = ReadStatus::kMissing;
  std::string bytes;  // the whole file when status is kOk
};

// Reads a regular file whole, at most `maxBytes`. The file is opened without
// blocking and checked with fstat before any read, so a FIFO or a device
// returns kNotRegular at once.
ReadResult ReadRegularFile(const std::string& path, size_t maxBytes);

// What the caller may do with a file of this status: kOk and kMissing are
// ordinary; anything else means the file is there and must not be replaced.
inline bool MayReplace(ReadStatus s) { return s == ReadStatus::kOk || s == ReadStatus::kMissing; }

// Short English text for messages of the command-line tool.
const char* ReadStatusText(ReadStatus s);

// A regular file read in blocks rather than whole (recordings of 100 MB).
struct BlockRead {
  ReadStatus status = ReadStatus::kMissing;
  bool stopped = false;  // the receiver asked to stop (status stays kOk)
  uint64_t size = 0;     // the file's size when it was opened
  int err = 0;           // errno of a failed open or read
};

// Reads the regular file at `path` in blocks of at most `blockBytes`,
// exactly the size fstat gave when it was opened (bytes appended meanwhile
// are not read; a file that ends early is kShort), handing each block to
// `take` in order; `take` returning false stops the read. Opened as
// ReadRegularFile opens, so a FIFO or a device is never read.
BlockRead ReadFileInBlocks(const std::string& path, size_t blockBytes,
                           const std::function<bool(std::string_view)>& take);

// Why a block read failed, for messages ("the medium reported an
// input/output error (was the card removed?)", "no such file", ...).
std::string BlockReadErrorText(const BlockRead& read);

// How a write may go when the folder takes no new file (a full card).
struct WriteOptions {
  // 0: the write is refused. Otherwise an existing file is rewritten where it
  // stands in one write, a shorter text padded with this byte to the old
  // length, so that no truncate (a second step, which an interruption could
  // part from the first) is needed: the file holds the old bytes or the new.
  char padInPlace = 0;
};

// Writes `bytes` as the whole content of `path` and flushes file and folder
// to the medium before answering true. The folder must exist (it is never
// created). An existing target must be a regular file that is writable (its
// mode has a write bit and it opens for writing); it is replaced through a
// uniquely named temporary file in the same folder that takes the target's
// mode, then renamed over it, so an interruption at any moment leaves the
// old content or the new. Temporary files that killed runs of this program
// left beside the target are removed first. A new file is created with mode
// 0666 less the umask. On failure `error` (when given) names the cause.
bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                      const WriteOptions& options = {});

// Copies the regular file `from` to `to` (a new name: the copy is written
// through a PendingFile, flushed and renamed into place only when whole), in
// blocks read by ReadFileInBlocks. Each block is also handed to `seen` (a
// hash, a progress count) once it is written; `seen` returning false stops
// the copy and removes it. False with `error` naming the side that failed.
bool CopyFileDurably(const std::string& from, const std::string& to,
                     const std::function<bool(std::string_view)>& seen, std::string* error = nullptr);

// The cause of a failed write, for messages: "the disk is full", "the file
// is read-only", ...
std::string WriteErrorText(int err);

}  // namespace orvia
