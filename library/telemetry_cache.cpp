#include "library/telemetry_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/file_io.h"
#include "base/paths.h"

namespace orvia {
namespace {

constexpr char kMagic[8] = {'O', 'R', 'V', 'T', 'E', 'L', '0', '1'};
// Bytes of one second in the file.
constexpr size_t kSecondBytes = 4 + 6 + 1 + 4 + 4 + 2;
constexpr size_t kMaxCacheBytes = 64 * 1024;

uint64_t Fnv1a(std::string_view bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : bytes) {
    h ^= static_cast<uint8_t>(c);
    h *= 0x100000001b3ull;
  }
  return h;
}

// What identifies the file the telemetry was read from.
struct FileKey {
  std::string path;
  uint64_t size = 0;
  int64_t mtimeNs = 0;
};

void Put(std::string& o, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) o.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

class Cursor {
 public:
  explicit Cursor(std::string_view b) : b_(b) {}
  bool Get(uint64_t* v, int bytes) {
    if (b_.size() - pos_ < static_cast<size_t>(bytes)) return false;
    *v = 0;
    for (int i = 0; i < bytes; ++i) *v |= uint64_t{static_cast<uint8_t>(b_[pos_ + i])} << (8 * i);
    pos_ += static_cast<size_t>(bytes);
    return true;
  }
  bool Take(size_t n, std::string_view* out) {
    if (b_.size() - pos_ < n) return false;
    *out = b_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  size_t Left() const { return b_.size() - pos_; }

 private:
  std::string_view b_;
  size_t pos_ = 0;
};

std::string Encode(const FileKey& key, const RecordingTelemetry& t) {
  std::string o(kMagic, sizeof kMagic);
  Put(o, key.path.size(), 4);
  o += key.path;
  Put(o, key.size, 8);
  Put(o, static_cast<uint64_t>(key.mtimeNs), 8);
  Put(o, (t.ok ? 1 : 0) | (t.fromIndex ? 2 : 0), 1);
  Put(o, t.seconds.size(), 4);
  for (const TelemetrySecond& s : t.seconds) {
    Put(o, static_cast<uint32_t>(s.unixTime), 4);
    for (const int16_t v : {s.peak.x, s.peak.y, s.peak.z}) Put(o, static_cast<uint16_t>(v), 2);
    Put(o, s.hasFix ? 1 : 0, 1);
    Put(o, static_cast<uint32_t>(s.fix.latitude), 4);
    Put(o, static_cast<uint32_t>(s.fix.longitude), 4);
    Put(o, static_cast<uint16_t>(s.fix.speed), 2);
  }
  Put(o, Fnv1a(o), 8);
  return o;
}

// The telemetry a cache file holds for exactly `key`; false for anything
// else (another file, another version, damage of any kind).
bool Decode(std::string_view bytes, const FileKey& key, RecordingTelemetry* t) {
  if (bytes.size() < sizeof kMagic + 8 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
  Cursor check(bytes.substr(bytes.size() - 8));
  uint64_t sum = 0;
  if (!check.Get(&sum, 8) || sum != Fnv1a(bytes.substr(0, bytes.size() - 8))) return false;
  Cursor c(bytes.substr(sizeof kMagic, bytes.size() - sizeof kMagic - 8));
  uint64_t pathLen = 0, size = 0, mtime = 0, flags = 0, count = 0;
  std::string_view path;
  if (!c.Get(&pathLen, 4) || !c.Take(static_cast<size_t>(pathLen), &path) || path != key.path ||
      !c.Get(&size, 8) || size != key.size || !c.Get(&mtime, 8) ||
      static_cast<int64_t>(mtime) != key.mtimeNs || !c.Get(&flags, 1) || !c.Get(&count, 4) ||
      count > static_cast<uint64_t>(kMaxSeconds) || c.Left() != count * kSecondBytes)
    return false;
  t->ok = (flags & 1) != 0;
  t->fromIndex = (flags & 2) != 0;
  t->seconds.resize(static_cast<size_t>(count));
  for (TelemetrySecond& s : t->seconds) {
    // As Encode writes them: time, x, y, z, fix flag, latitude, longitude, speed.
    constexpr int kWidths[8] = {4, 2, 2, 2, 1, 4, 4, 2};
    uint64_t v[8];
    for (int i = 0; i < 8; ++i) c.Get(&v[i], kWidths[i]);
    s.unixTime = static_cast<int32_t>(static_cast<uint32_t>(v[0]));
    s.peak = {static_cast<int16_t>(v[1]), static_cast<int16_t>(v[2]), static_cast<int16_t>(v[3])};
    s.hasFix = v[4] != 0;
    s.fix.latitude = static_cast<int32_t>(static_cast<uint32_t>(v[5]));
    s.fix.longitude = static_cast<int32_t>(static_cast<uint32_t>(v[6]));
    s.fix.speed = static_cast<int16_t>(v[7]);
  }
  return true;
}

// Written beside its place and renamed over it: a reader sees the old file or
// the new one. A cache needs no flush to the medium: a file lost in a crash
// is read anew.
void Store(const std::string& file, std::string_view bytes) {
  const std::string temporary = file + "." + std::to_string(getpid()) + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(fd);
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) std::remove(temporary.c_str());
}

std::string CacheFileName(const std::string& folder, const std::string& path) {
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.tel", static_cast<unsigned long long>(Fnv1a(path)));
  return folder + name;
}

}  // namespace

std::string TelemetryCacheFolder() {
  const std::string base = UserCacheFolder();
  return base.empty() ? base : base + "/telemetry";
}

RecordingTelemetry CachedRecordingTelemetry(const std::string& folder, const std::string& path,
                                            bool* cached) {
  if (cached) *cached = false;
  struct stat st {};
  if (folder.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return ReadRecordingTelemetry(path);
  const FileKey key{path, static_cast<uint64_t>(st.st_size),
                    int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
  const std::string file = CacheFileName(folder, path);
  RecordingTelemetry t;
  const ReadResult stored = ReadRegularFile(file, kMaxCacheBytes);
  if (stored.status == ReadStatus::kOk && Decode(stored.bytes, key, &t)) {
    if (cached) *cached = true;
    return t;
  }
  t = ReadRecordingTelemetry(path);
  CreatePathDirectories(folder + "/");
  Store(file, Encode(key, t));
  return t;
}

}  // namespace orvia
