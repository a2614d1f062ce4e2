#include "disk/format_logic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "base/process.h"
#include "disk/fat32_writer.h"
#include "disk/format_targets.h"
#include "disk/partition_type.h"
#include "disk/settings_copy.h"
#include "settings/default_setup.h"

namespace orvia::format {
namespace fs = std::filesystem;
namespace {

// The environment of the mtools programs: no user configuration, no check of
// the disk geometry (cards and images rarely match a floppy's), and the C
// locale for the messages.
const std::vector<std::string>& MtoolsEnv() {
  static const std::vector<std::string> env = {"MTOOLS_SKIP_CHECK=1", "MTOOLSRC=/dev/null", "LC_ALL=C"};
  return env;
}

ProcessRun RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   size_t outLimit = 1 << 16) {
  ProcessOptions options;
  options.extraEnv = extraEnv;
  options.outLimit = outLimit;
  return RunProcess(argv, options);
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

// mkfs.fat with 32 KB clusters. mkfs.fat writes ASCII labels only; any other
// is put on the new volume afterwards, in the card's code page. False with
// the reason.
bool MakeFilesystem(const std::string& target, const std::string& label, const FormatTools& tools,
                    std::string* detail) {
  std::vector<std::string> mkfs = {FindSbinProgram(tools.mkfs), "-F", "32", "-S", "512", "-s", "64"};
  const bool ascii = IsAsciiLabel(label);
  if (!label.empty() && ascii) {
    mkfs.push_back("-n");
    mkfs.push_back(label);
  }
  mkfs.push_back(target);
  const ProcessRun run = RunTool(mkfs, {"LC_ALL=C"});
  if (run.exitCode != 0) {
    *detail = run.err;
    return false;
  }
  if (ascii) return true;
  const std::optional<std::string> bytes = LabelBytes(label);
  const int fd = open(target.c_str(), O_RDWR | O_CLOEXEC);
  bool named = bytes.has_value() && fd >= 0;
  if (!named) *detail = bytes ? std::strerror(errno) : "the label has no code page 949 form";
  if (named) named = SetVolumeLabel(fd, *bytes, detail);
  if (fd >= 0) close(fd);
  return named;
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
  ProcessRun made = RunTool({tools.mmd, "-D", "s", "-i", target, "::/Normal", "::/Config"}, MtoolsEnv());
  if (made.exitCode != 0) *detail = made.err;

  if (progress) progress(96, FormatPhase::kSettings);
  char tempPath[] = "/tmp/orvia-setup-XXXXXX";
  const int fd = mkstemp(tempPath);
  if (fd < 0) return false;
  bool written = write(fd, settings.data(), settings.size()) == static_cast<ssize_t>(settings.size());
  close(fd);
  if (written) {
    ProcessRun copied =
        RunTool({tools.mcopy, "-o", "-i", target, tempPath, "::/Config/setup.dat"}, MtoolsEnv());
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

std::string SizeTextBefore(uint64_t totalBytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(totalBytes >> 10) / (1 << 20));
  return text;
}
std::string SizeTextAfter(uint64_t totalBytes) { return std::to_string(totalBytes >> 30) + " GB"; }
std::string ClusterText(uint32_t clusterBytes) { return std::to_string(clusterBytes / 1024) + " KB"; }

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
  ProcessRun run =
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
    const ProcessRun run = RunTool({tools.umount, mountPoint}, {});
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
  // Before anything is written: a copy of the settings in the user's data
  // folder, named in any failure's message.
  if (kept)
    result.settingsCopy =
        SaveSettingsCopy(ReadVolumeInfo(request.target).label, settings, std::time(nullptr));

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
  const bool made = MakeFilesystem(request.target, label, tools, &result.detail);
  const VolumeInfo volume = ReadVolumeInfo(request.target);
  result.formatted = made && volume.valid && volume.fileSystem == "FAT32" &&
                     volume.clusterBytes == kClusterBytes && volume.label == label;
  if (!result.formatted) {
    result.error = FormatError::kMkfsFailed;
    if (made) result.detail = "the volume made is no FAT32 with 32 KB clusters";
  } else if (!check.diskDevice.empty()) {
    // The partition is marked FAT32 (LBA) in its disk's MBR when it said
    // otherwise; a card whose mark cannot be changed still holds a good
    // file system.
    const int disk = open(check.diskDevice.c_str(), O_RDWR | O_CLOEXEC);
    std::string ignored;
    if (disk >= 0) {
      MarkFat32Partition(disk, check.partitionStartSector, &ignored);
      close(disk);
    }
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
