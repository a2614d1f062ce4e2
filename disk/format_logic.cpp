#include "disk/format_logic.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/format_targets.h"
#include "settings/default_setup.h"

namespace orvia::format {
namespace fs = std::filesystem;
namespace {

uint16_t U16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t U32(std::string_view s, size_t at) {
  return U16(s, at) | (static_cast<uint32_t>(U16(s, at + 2)) << 16);
}
uint64_t U64(std::string_view s, size_t at) {
  return U32(s, at) | (static_cast<uint64_t>(U32(s, at + 4)) << 32);
}
bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Result of running a program.
struct ToolRun {
  int exitCode = -1;  // 127 when it could not be started
  std::string out;
  std::string err;
};

// Runs argv[0] (searched on PATH) with the arguments as given, stdin from
// /dev/null, the extra environment entries added. Keeps at most `outLimit`
// bytes of standard output but drains all of it.
ToolRun RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                size_t outLimit = 1 << 16) {
  ToolRun run;
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    for (const std::string& e : extraEnv) putenv(const_cast<char*>(e.c_str()));
    execvp(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int openCount = 2;
  char buffer[8192];
  while (openCount > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        std::string& sink = i == 0 ? run.out : run.err;
        const size_t limit = i == 0 ? outLimit : 4096;
        if (sink.size() < limit) sink.append(buffer, std::min(static_cast<size_t>(n), limit - sink.size()));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --openCount;
      }
    }
  }
  for (pollfd& p : fds)
    if (p.fd >= 0) close(p.fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

const std::vector<std::string>& MtoolsEnv() {
  // No user configuration, no check of the disk geometry (cards and images
  // rarely match a floppy's), and the C locale for the messages.
  static const std::vector<std::string> env = {"MTOOLS_SKIP_CHECK=1", "MTOOLSRC=/dev/null", "LC_ALL=C"};
  return env;
}

bool ReadFileLimited(const std::string& path, std::string* bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const auto size = fs::file_size(path, ec);
  if (ec || size > kMaxKeptSettingsBytes) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

// Full format: every byte of the volume is zeroed before the file system is
// made. An image file is emptied and grown again, which keeps it sparse.
bool WipeVolume(const std::string& target, TargetKind kind, uint64_t sizeBytes, const ProgressFn& progress,
                int fromPercent, int toPercent) {
  if (kind == TargetKind::kImageFile) {
    return truncate(target.c_str(), 0) == 0 && truncate(target.c_str(), static_cast<off_t>(sizeBytes)) == 0;
  }
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> zeros(1 << 20, 0);
  uint64_t done = 0;
  int lastPercent = -1;
  bool ok = true;
  while (ok && done < sizeBytes) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(zeros.size(), sizeBytes - done));
    const ssize_t n = pwrite(fd, zeros.data(), chunk, static_cast<off_t>(done));
    if (n <= 0) {
      ok = n < 0 && errno == EINTR;
      continue;
    }
    done += static_cast<uint64_t>(n);
    const int percent = fromPercent + static_cast<int>((toPercent - fromPercent) * done / sizeBytes);
    if (percent != lastPercent && progress) progress(percent, FormatPhase::kWipe);
    lastPercent = percent;
  }
  ok = ok && fsync(fd) == 0;
  close(fd);
  return ok;
}

void FlushTarget(const std::string& target) {
  const int fd = open(target.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Makes the folders and puts the settings file on the volume; true when both
// folders exist and Config/setup.dat reads back as `settings`.
bool PrepareCard(const std::string& target, const std::string& settings, const FormatTools& tools,
                 const ProgressFn& progress, std::string* detail) {
  if (progress) progress(92, FormatPhase::kFolders);
  // -D s: a folder that is already there (a format that failed early) is kept.
  ToolRun made = RunTool({tools.mmd, "-D", "s", "-i", target, "::/Normal", "::/Config"}, MtoolsEnv());
  if (made.exitCode != 0) *detail = made.err;

  if (progress) progress(96, FormatPhase::kSettings);
  char tempPath[] = "/tmp/orvia-setup-XXXXXX";
  const int fd = mkstemp(tempPath);
  if (fd < 0) return false;
  bool written = write(fd, settings.data(), settings.size()) == static_cast<ssize_t>(settings.size());
  close(fd);
  if (written) {
    ToolRun copied = RunTool({tools.mcopy, "-o", "-i", target, tempPath, "::/Config/setup.dat"}, MtoolsEnv());
    written = copied.exitCode == 0;
    if (!written) *detail = copied.err;
  }
  unlink(tempPath);

  std::string readBack;
  const bool settingsOk = written && ReadVolumeSettings(target, tools, &readBack) && readBack == settings;
  const bool normalOk = RunTool({tools.mdir, "-b", "-i", target, "::/Normal"}, MtoolsEnv()).exitCode == 0;
  return settingsOk && normalOk;
}

}  // namespace

std::string CardRootText(const CardCandidate& card) {
  std::string root = card.mountPoint.empty() ? card.devicePath : card.mountPoint;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

VolumeInfo ParseBootSector(std::string_view s) {
  VolumeInfo info;
  if (s.size() < 512 || static_cast<uint8_t>(s[510]) != 0x55 || static_cast<uint8_t>(s[511]) != 0xAA)
    return info;
  if (s.substr(3, 8) == "EXFAT   ") {
    const unsigned sectorShift = static_cast<uint8_t>(s[108]);
    const unsigned clusterShift = static_cast<uint8_t>(s[109]);
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift) return info;
    info.valid = true;
    info.fileSystem = "exFAT";
    info.bytesPerSector = 1u << sectorShift;
    info.clusterBytes = 1u << (sectorShift + clusterShift);
    info.totalBytes = U64(s, 72) << sectorShift;
    info.clusterCount = U32(s, 92);
    return info;
  }
  const uint32_t bps = U16(s, 11);
  const uint32_t spc = static_cast<uint8_t>(s[13]);
  const uint32_t reserved = U16(s, 14);
  const uint32_t fats = static_cast<uint8_t>(s[16]);
  const uint32_t rootEntries = U16(s, 17);
  const uint64_t total = U16(s, 19) != 0 ? U16(s, 19) : U32(s, 32);
  const uint64_t fatSize = U16(s, 22) != 0 ? U16(s, 22) : U32(s, 36);
  if (bps < 512 || bps > 4096 || !IsPowerOfTwo(bps) || !IsPowerOfTwo(spc) || reserved == 0 || fats == 0 ||
      fatSize == 0)
    return info;
  const uint64_t rootSectors = (rootEntries * 32ull + bps - 1) / bps;
  const uint64_t meta = reserved + fats * fatSize + rootSectors;
  if (total <= meta) return info;
  info.valid = true;
  info.bytesPerSector = bps;
  info.clusterBytes = bps * spc;
  info.totalBytes = total * bps;
  info.clusterCount = (total - meta) / spc;
  info.fileSystem = info.clusterCount < 4085 ? "FAT12" : info.clusterCount < 65525 ? "FAT16" : "FAT32";
  const bool fat32Layout = U16(s, 22) == 0;
  const size_t signatureAt = fat32Layout ? 66 : 38;
  if (static_cast<uint8_t>(s[signatureAt]) == 0x29) {
    std::string label(s.substr(signatureAt + 5, 11));
    while (!label.empty() && (label.back() == ' ' || label.back() == '\0')) label.pop_back();
    info.label = label == "NO NAME" ? std::string() : label;
  }
  return info;
}

VolumeInfo ReadVolumeInfo(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string sector(512, '\0');
  const ssize_t n = pread(fd, sector.data(), sector.size(), 0);
  close(fd);
  if (n != static_cast<ssize_t>(sector.size())) return {};
  return ParseBootSector(sector);
}

std::string SizeTextBefore(uint64_t totalBytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(totalBytes >> 10) / (1 << 20));
  return text;
}
std::string SizeTextAfter(uint64_t totalBytes) { return std::to_string(totalBytes >> 30) + " GB"; }
std::string ClusterText(uint32_t clusterBytes) { return std::to_string(clusterBytes / 1024) + " KB"; }

std::string PrepareLabel(std::string_view text) {
  // Split into characters (UTF-8 sequences); a broken byte counts as one wide
  // character, so that it is cut like one.
  std::vector<std::string_view> chars;
  std::vector<bool> wide;
  for (size_t i = 0; i < text.size() && chars.size() < kLabelChars;) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t len = lead < 0x80             ? 1
                 : (lead & 0xE0) == 0xC0 ? 2
                 : (lead & 0xF0) == 0xE0 ? 3
                 : (lead & 0xF8) == 0xF0 ? 4
                                         : 0;
    bool ok = len != 0 && i + len <= text.size();
    for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
    if (!ok) len = 1;
    // Above U+00FF: any 3- or 4-byte sequence, and 2-byte ones from 0xC4 on.
    wide.push_back(!ok || len > 2 || (len == 2 && lead >= 0xC4));
    chars.push_back(text.substr(i, len));
    i += len;
  }
  size_t keep = chars.size();
  for (size_t i = 0; i < chars.size(); ++i)
    if (wide[i]) {
      keep = std::min(keep, i + 5);
      break;
    }
  std::string label;
  for (size_t i = 0; i < keep; ++i) label += chars[i];
  return label;
}

bool IsWritableLabel(std::string_view label) {
  if (label.size() > 11) return false;
  for (char c : label) {
    if (c < 0x20 || c > 0x7E || std::strchr("*?.,;:/\\|+=<>[]\"", c) != nullptr) return false;
  }
  return true;
}

std::string LabelForDisk(std::string_view label) {
  std::string upper(label);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  return upper;
}

FormatError SizeRefusal(uint64_t bytes) {
  if (bytes < kMinCardBytes) return FormatError::kTooSmall;
  if (bytes >= kMaxCardBytes) return FormatError::kTooLarge;
  return FormatError::kNone;
}

const char* FormatErrorName(FormatError error) {
  switch (error) {
    case FormatError::kNone:
      return "none";
    case FormatError::kNoCard:
      return "no card";
    case FormatError::kNotDeviceOrFile:
      return "not a block device or image file";
    case FormatError::kNotRemovable:
      return "not a removable card";
    case FormatError::kImageInUse:
      return "image file attached to a loop device";
    case FormatError::kSystemDevice:
      return "system device";
    case FormatError::kTooSmall:
      return "card too small for FAT32 with 32 KB clusters";
    case FormatError::kTooLarge:
      return "card too large for FAT32 (2 TiB or more)";
    case FormatError::kBadLabel:
      return "label not writable";
    case FormatError::kUnmountFailed:
      return "unmount failed";
    case FormatError::kWipeFailed:
      return "zeroing failed";
    case FormatError::kMkfsFailed:
      return "mkfs.fat failed";
    case FormatError::kPrepareFailed:
      return "folders or settings file not written";
    case FormatError::kNotAuthorized:
      return "not authorised";
    case FormatError::kBusy:
      return "card busy";
    case FormatError::kRemoved:
      return "card removed";
    case FormatError::kNoService:
      return "disk service not answering";
    case FormatError::kServiceFailed:
      return "refused by the disk service";
  }
  return "?";
}

bool ReadVolumeSettings(const std::string& target, const FormatTools& tools, std::string* bytes) {
  if (!ReadVolumeInfo(target).valid) return false;
  ToolRun run =
      RunTool({tools.mtype, "-i", target, "::/Config/setup.dat"}, MtoolsEnv(), kMaxKeptSettingsBytes + 1);
  if (run.exitCode != 0 || run.out.size() > kMaxKeptSettingsBytes) return false;
  *bytes = std::move(run.out);
  return true;
}

FormatResult RunFormat(const FormatRequest& request, const ProgressFn& progress, const FormatTools& tools,
                       const SystemPaths& system) {
  FormatResult result;
  auto report = [&](int percent, FormatPhase phase) {
    if (progress) progress(percent, phase);
  };
  report(0, FormatPhase::kCheck);
  const TargetCheck check = CheckFormatTarget(request.target, system);
  result.error = check.error;
  if (result.error == FormatError::kNone) result.error = SizeRefusal(check.sizeBytes);
  if (result.error == FormatError::kNone && !IsWritableLabel(request.label))
    result.error = FormatError::kBadLabel;
  if (result.error != FormatError::kNone) return result;

  // The settings file to keep: from the mounted card, else from the volume.
  report(2, FormatPhase::kReadSettings);
  std::string settings;
  bool kept = !request.mountPoint.empty() &&
              ReadFileLimited((fs::path(request.mountPoint) / "Config" / "setup.dat").string(), &settings);

  report(5, FormatPhase::kUnmount);
  for (const std::string& mountPoint : check.mountsToRelease) {
    const ToolRun run = RunTool({tools.umount, mountPoint}, {});
    if (run.exitCode != 0) {
      result.error = FormatError::kUnmountFailed;
      result.detail = run.err;
      return result;
    }
  }
  if (!check.mountsToRelease.empty() && !CheckFormatTarget(request.target, system).mountsToRelease.empty()) {
    result.error = FormatError::kUnmountFailed;
    return result;
  }
  if (!kept || settings.empty()) kept = ReadVolumeSettings(request.target, tools, &settings);
  // An empty settings file is no settings: the card gets the default one.
  kept = kept && !settings.empty();
  if (!kept) settings = std::string(DefaultSetupDat());
  result.keptSettings = kept;

  int percent = 10;
  if (!request.quick) {
    report(percent, FormatPhase::kWipe);
    if (!WipeVolume(request.target, check.kind, check.sizeBytes, progress, 10, 80)) {
      result.error = FormatError::kWipeFailed;
      return result;
    }
    percent = 80;
  }

  report(percent, FormatPhase::kFormat);
  const std::string label = LabelForDisk(request.label);
  std::vector<std::string> mkfs = {FindSbinProgram(tools.mkfs), "-F", "32", "-S", "512", "-s", "64"};
  if (!label.empty()) {
    mkfs.push_back("-n");
    mkfs.push_back(label);
  }
  mkfs.push_back(request.target);
  const ToolRun made = RunTool(mkfs, {"LC_ALL=C"});
  const VolumeInfo volume = ReadVolumeInfo(request.target);
  result.formatted = made.exitCode == 0 && volume.valid && volume.fileSystem == "FAT32" &&
                     volume.clusterBytes == kClusterBytes && volume.label == label;
  if (!result.formatted) {
    result.error = FormatError::kMkfsFailed;
    result.detail = made.exitCode != 0 ? made.err : "the volume made is no FAT32 with 32 KB clusters";
  }

  // The card is prepared after a failed format too, as long as it still holds
  // a FAT volume (mkfs.fat refused before writing): the recorder then finds its
  // folders and settings.
  if (result.formatted || (volume.valid && volume.fileSystem != "exFAT")) {
    std::string detail;
    result.prepared = PrepareCard(request.target, settings, tools, progress, &detail);
    if (!result.prepared && result.error == FormatError::kNone) {
      result.error = FormatError::kPrepareFailed;
      result.detail = detail;
    }
  }
  FlushTarget(request.target);
  result.volume = ReadVolumeInfo(request.target);
  report(result.ok() ? 100 : 0, FormatPhase::kDone);
  return result;
}

}  // namespace orvia::format
