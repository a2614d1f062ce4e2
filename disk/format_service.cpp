#include "disk/format_service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QThread>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "disk/fat32_writer.h"
#include "disk/format_targets.h"
#include "library/udisks_client.h"
#include "settings/default_setup.h"

namespace orvia {
namespace {

using format::FormatError;
using format::FormatResult;

// The service probes a freshly written device before it can be mounted; a
// mount is tried this often, 300 ms apart.
constexpr int kMountTries = 20;

bool Fail(FormatResult* result, const udisks::CallResult& call) {
  result->error = format::ServiceErrorKind(call.errorName);
  result->detail = call.message;
  return false;
}

const udisks::Block* FindBlock(const udisks::Snapshot& snap, const std::string& path) {
  return snap.FindBlock(path);
}

bool ReadSettings(const std::string& mountPoint, std::string* bytes) {
  const std::string path = mountPoint + "/Config/setup.dat";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > format::kMaxKeptSettingsBytes)
    return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(static_cast<size_t>(st.st_size), '\0');
  in.read(bytes->data(), st.st_size);
  bytes->resize(static_cast<size_t>(in.gcount()));
  return true;
}

bool SyncPath(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

// The folders and the settings file on the mounted card, flushed to it and
// read back.
bool PrepareMounted(const std::string& mountPoint, const std::string& settings, std::string* detail) {
  for (const char* folder : {"/Normal", "/Config"}) {
    const std::string path = mountPoint + folder;
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
      *detail = path + ": " + std::strerror(errno);
      return false;
    }
  }
  const std::string file = mountPoint + "/Config/setup.dat";
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *detail = file + ": " + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < settings.size()) {
    const ssize_t n = write(fd, settings.data() + done, settings.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == settings.size() && fsync(fd) == 0;
  close(fd);
  SyncPath(mountPoint + "/Config", O_RDONLY | O_DIRECTORY);
  SyncPath(mountPoint, O_RDONLY | O_DIRECTORY);
  std::string readBack;
  if (!written || !ReadSettings(mountPoint, &readBack) || readBack != settings) {
    *detail = file + ": not written whole";
    return false;
  }
  return true;
}

bool MountAfterFormat(const std::string& objectPath, std::string* mountPoint, FormatResult* result) {
  udisks::CallResult call;
  for (int attempt = 0; attempt < kMountTries; ++attempt) {
    call = udisks::Mount(objectPath, mountPoint);
    if (call.ok) return true;
    const FormatError kind = format::ServiceErrorKind(call.errorName);
    if (kind == FormatError::kNotAuthorized || kind == FormatError::kNoService) break;
    // Until the service has probed the new file system the object may lack
    // its Filesystem interface; only an object that is gone ends the wait.
    if (kind == FormatError::kRemoved && FindBlock(udisks::TakeSnapshot(), objectPath) == nullptr) break;
    if (call.errorName.find("AlreadyMounted") != std::string::npos) {
      const udisks::Snapshot snap = udisks::TakeSnapshot();
      const udisks::Block* block = FindBlock(snap, objectPath);
      if (block && !block->mountPoints.empty()) {
        *mountPoint = block->mountPoints.front();
        return true;
      }
    }
    QThread::msleep(300);
  }
  return Fail(result, call);
}

}  // namespace

format::FormatResult RunServiceFormat(const format::FormatRequest& request,
                                      const format::ProgressFn& progress) {
  const format::ProgressFn report = [&progress](int percent, format::FormatPhase phase) {
    if (progress) progress(percent, phase);
  };
  FormatResult result;
  report(0, format::FormatPhase::kCheck);
  if (!format::IsWritableLabel(request.label)) {
    result.error = FormatError::kBadLabel;
    return result;
  }
  udisks::Snapshot snap = udisks::TakeSnapshot();
  if (!snap.available) {
    result.error = FormatError::kNoService;
    return result;
  }
  const udisks::Block* block = FindBlock(snap, request.objectPath);
  if (block == nullptr) {
    result.error = FormatError::kRemoved;
    return result;
  }
  // The service's size of the device, before anything is touched.
  result.error = format::SizeRefusal(block->sizeBytes != 0 ? block->sizeBytes : request.sizeBytes);
  if (result.error != FormatError::kNone) return result;

  // The settings to keep: from the card's mount, mounting it for the
  // purpose when it carries a file system but is not mounted.
  report(2, format::FormatPhase::kReadSettings);
  std::string settings;
  std::vector<std::string> points = block->mountPoints;
  if (points.empty() && block->hasFilesystem) {
    std::string point;
    if (udisks::Mount(request.objectPath, &point).ok) points.push_back(point);
  }
  // An empty settings file is no settings: the card gets the default one.
  bool kept = !points.empty() && ReadSettings(points.front(), &settings) && !settings.empty();

  report(5, format::FormatPhase::kUnmount);
  if (!points.empty()) {
    const udisks::CallResult call = udisks::Unmount(request.objectPath);
    if (!call.ok) {
      Fail(&result, call);
      return result;
    }
  }
  if (!kept) settings = std::string(DefaultSetupDat());
  result.keptSettings = kept;

  report(request.quick ? 10 : 5, format::FormatPhase::kFormat);
  const std::string label = format::LabelForDisk(request.label);
  // mkfs.fat writes ASCII labels only: a card named otherwise is written
  // through the descriptor whatever the service's version.
  if (udisks::VersionAtLeast(snap.version, 2, 10) && format::IsAsciiLabel(label)) {
    // The service runs mkfs.fat itself and passes the cluster size on; a
    // full format has it zero the whole card first.
    const udisks::CallResult call = udisks::Format(request.objectPath, "vfat", label,
                                                   {"-F", "32", "-S", "512", "-s", "64"},
                                                   request.quick ? std::string() : std::string("zero"));
    if (!call.ok) {
      Fail(&result, call);
      return result;
    }
  } else {
    int fd = -1;
    const udisks::CallResult call = udisks::OpenDeviceForWriting(request.objectPath, &fd);
    if (!call.ok) {
      Fail(&result, call);
      return result;
    }
    // The device's own size: the one handed in may be stale.
    uint64_t bytes = 0;
    format::Fat32Layout layout;
    std::string error;
    bool ok = format::DeviceBytes(fd, &bytes, &error);
    if (!ok) {
      result.error = FormatError::kMkfsFailed;
      result.detail = error;
    } else if (!(ok = format::PlanFat32(bytes, &layout))) {
      result.error = format::SizeRefusal(bytes);
      if (result.error == FormatError::kNone) result.error = FormatError::kTooSmall;
    }
    if (ok && !request.quick) {
      // Full format: every byte zeroed first.
      std::vector<char> zeros(1 << 20, 0);
      for (uint64_t at = 0; ok && at < bytes; at += zeros.size()) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(zeros.size(), bytes - at));
        ok = pwrite(fd, zeros.data(), chunk, static_cast<off_t>(at)) == static_cast<ssize_t>(chunk);
        report(5 + static_cast<int>(75 * (at + chunk) / bytes), format::FormatPhase::kWipe);
      }
      if (!ok) result.error = FormatError::kWipeFailed;
    }
    if (ok) {
      std::random_device random;
      ok = format::WriteFat32(fd, layout, format::LabelBytes(label).value_or(std::string()),
                              static_cast<uint32_t>(request.partitionOffset / 512), random(), &error);
      if (!ok) {
        result.error = FormatError::kMkfsFailed;
        result.detail = error;
      }
    }
    close(fd);
    if (!ok) return result;
  }
  result.formatted = true;
  result.volume.valid = true;
  result.volume.fileSystem = "FAT32";
  result.volume.bytesPerSector = format::kSectorBytes;
  result.volume.clusterBytes = format::kClusterBytes;
  result.volume.totalBytes = request.sizeBytes;
  result.volume.label = label;

  report(90, format::FormatPhase::kFolders);
  std::string mountPoint;
  if (!MountAfterFormat(request.objectPath, &mountPoint, &result)) return result;
  result.mountPoint = mountPoint;
  report(96, format::FormatPhase::kSettings);
  result.prepared = PrepareMounted(mountPoint, settings, &result.detail);
  if (!result.prepared) result.error = FormatError::kPrepareFailed;
  report(result.ok() ? 100 : 0, format::FormatPhase::kDone);
  return result;
}

std::string MountedCardRoot(const format::CardCandidate& card) {
  if (!card.mountPoint.empty() || card.objectPath.empty() || card.fileSystem.empty()) return card.mountPoint;
  std::string mountPoint;
  // One try: a card that was just listed needs no probing.
  if (udisks::Mount(card.objectPath, &mountPoint).ok) return mountPoint;
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  const udisks::Block* block = FindBlock(snap, card.objectPath);
  return block && !block->mountPoints.empty() ? block->mountPoints.front() : std::string();
}

std::vector<format::CardCandidate> FindFormatCards(const format::SystemPaths& system) {
  const udisks::Snapshot snap = udisks::SystemSnapshot();
  if (snap.available) return format::CandidatesFromSnapshot(snap);
  return format::FindRemovableCards(system);
}

format::FormatResult RunCardFormat(const format::FormatRequest& request, const format::ProgressFn& progress,
                                   const format::FormatTools& tools, const format::SystemPaths& system) {
  if (!request.objectPath.empty() && (geteuid() != 0 || !tools.directAsRoot))
    return RunServiceFormat(request, progress);
  // Without the service an ordinary user cannot write to the card's device.
  struct stat st {};
  if (geteuid() != 0 && stat(request.target.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
      access(request.target.c_str(), W_OK) != 0) {
    FormatResult refused;
    refused.error = FormatError::kNoService;
    return refused;
  }

  FormatResult result = format::RunFormat(request, progress, tools, system);
  // The direct way leaves the card unmounted: the service mounts it again,
  // so that it can be handed back and listed.
  if (result.ok() && !request.objectPath.empty()) {
    std::string mountPoint;
    FormatResult mountResult;
    if (MountAfterFormat(request.objectPath, &mountPoint, &mountResult)) result.mountPoint = mountPoint;
  }
  return result;
}

}  // namespace orvia
