#include "disk/format_service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>

#include "disk/fat32_writer.h"
#include "disk/format_targets.h"
#include "disk/settings_copy.h"
#include "library/udisks_client.h"
#include "settings/default_setup.h"

namespace orvia {
namespace {

using format::FormatError;
using format::FormatResult;

// The service probes a freshly written device before it can be mounted; a
// mount is tried this often, 300 ms apart.
constexpr int kMountTries = 20;

// The right among `rights` (one the service may check for a call) that the
// system does not grant without asking; the first when each is granted.
std::string RefusedRight(const std::vector<std::string>& rights) {
  for (const std::string& right : rights)
    if (udisks::AskRight(right) != udisks::RightAnswer::kYes) return right;
  return rights.empty() ? std::string() : rights.front();
}

bool Fail(FormatResult* result, const udisks::CallResult& call, const std::vector<std::string>& rights = {}) {
  result->error = format::ServiceErrorKind(call.errorName);
  result->detail = call.message;
  if (result->error == FormatError::kNotAuthorized) result->refusedRight = RefusedRight(rights);
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
  // Written through the descriptor, the card holds them already: nothing is
  // written twice.
  struct stat normal {};
  std::string present;
  if (stat((mountPoint + "/Normal").c_str(), &normal) == 0 && S_ISDIR(normal.st_mode) &&
      ReadSettings(mountPoint, &present) && present == settings)
    return true;
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
  const auto mountRights = [&objectPath] {
    const udisks::Snapshot snap = udisks::TakeSnapshot();
    const udisks::Block* block = FindBlock(snap, objectPath);
    return block ? udisks::MountRights(*block) : std::vector<std::string>();
  };
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
  return Fail(result, call, mountRights());
}

// What the service last probed on a block: its file system's type, serial
// number and label.
struct Probe {
  std::string type;
  std::string uuid;
  std::string label;
  bool operator==(const Probe&) const = default;
};
Probe ProbeOf(const udisks::Block& block) { return {block.idType, block.idUuid, block.idLabel}; }

// How long the service may take to report a file system just written before
// the card is mounted anyway.
constexpr int kProbeWaitMs = 15000;

// Waits until the service reports a file system on the block other than
// `before` (its PropertiesChanged signal wakes the wait); false when none
// came within kProbeWaitMs. Mounted earlier, the card shows its old label.
bool WaitForNewFilesystem(const std::string& objectPath, const Probe& before) {
  const auto changed = [&] {
    const udisks::Snapshot snap = udisks::TakeSnapshot();
    const udisks::Block* block = FindBlock(snap, objectPath);
    return block != nullptr && block->idUsage == "filesystem" && ProbeOf(*block) != before;
  };
  // Listening before the first look, so that no change slips in between.
  udisks::ServiceWatch watch;
  if (changed()) return true;
  QEventLoop loop;
  bool seen = false;
  QObject::connect(&watch, &udisks::ServiceWatch::changed, &loop, [&] {
    if (!seen && changed()) {
      seen = true;
      loop.quit();
    }
  });
  QTimer::singleShot(kProbeWaitMs, &loop, &QEventLoop::quit);
  loop.exec();
  return seen;
}

// One format through the service, for the way back after a failure.
struct ServiceFormat {
  const format::FormatRequest& request;
  format::ProgressFn report;
  std::string settings;  // kept, or the default
  Probe before;          // the card before the format
  bool made = false;     // a new file system was written
};

// A FAT32 file system written into the descriptor Block.OpenDevice handed out
// (zeroing the card first for a full format), with the recorder's folders
// and settings file, so the card is prepared even when it cannot be mounted
// afterwards. False with the reason.
// Takes `fd` (from Block.OpenDevice) and closes it.
bool WriteThroughDescriptor(const ServiceFormat& f, int fd, const std::string& label, FormatResult* result) {
  // The device's own size: the one handed in may be stale.
  uint64_t bytes = 0;
  format::Fat32Layout layout;
  std::string error;
  bool ok = format::DeviceBytes(fd, &bytes, &error);
  if (!ok) {
    result->error = FormatError::kMkfsFailed;
    result->detail = error;
  } else if (!(ok = format::PlanFat32(bytes, &layout))) {
    result->error = format::SizeRefusal(bytes);
    if (result->error == FormatError::kNone) result->error = FormatError::kTooSmall;
  }
  if (ok && !f.request.quick) {
    std::vector<char> zeros(1 << 20, 0);
    for (uint64_t at = 0; ok && at < bytes; at += zeros.size()) {
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(zeros.size(), bytes - at));
      ok = pwrite(fd, zeros.data(), chunk, static_cast<off_t>(at)) == static_cast<ssize_t>(chunk);
      f.report(5 + static_cast<int>(75 * (at + chunk) / bytes), format::FormatPhase::kWipe);
    }
    if (!ok) result->error = FormatError::kWipeFailed;
  }
  if (ok) {
    std::random_device random;
    const format::RecorderFiles files{f.settings};
    ok = format::WriteFat32(fd, layout, format::LabelBytes(label).value_or(std::string()),
                            static_cast<uint32_t>(f.request.partitionOffset / 512), random(), &error, &files);
    result->prepared = ok;
    if (!ok) {
      result->error = FormatError::kMkfsFailed;
      result->detail = error;
    }
  }
  close(fd);
  return ok;
}

// After the unmount, on every way out: once the service has reported the new
// file system (bounded), the card is mounted again when the service sees a
// file system on it, and given its folders and settings file when a new one
// was made. A failure here does not hide an earlier one.
void MountAgain(const ServiceFormat& f, FormatResult* result) {
  if (f.made) WaitForNewFilesystem(f.request.objectPath, f.before);
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  const udisks::Block* block = FindBlock(snap, f.request.objectPath);
  if (block == nullptr || !block->hasFilesystem) return;
  std::string mountPoint;
  FormatResult mounted;
  if (!MountAfterFormat(f.request.objectPath, &mountPoint, &mounted)) {
    if (result->ok()) {
      result->error = mounted.error;
      result->detail = mounted.detail;
    }
    return;
  }
  result->mountPoint = mountPoint;
  if (!f.made) return;
  f.report(96, format::FormatPhase::kSettings);
  std::string detail;
  result->prepared = PrepareMounted(mountPoint, f.settings, &detail);
  if (!result->prepared && result->ok()) {
    result->error = FormatError::kPrepareFailed;
    result->detail = detail;
  }
}

// The right to write the card, taken while it is still mounted, so that a
// refusal leaves the card as it was: the descriptor of Block.OpenDevice
// (in `fd`, the way for 2.9 and for labels mkfs.fat cannot write), or,
// before Block.Format, the system's word that the right is not refused
// outright. False with the refusal in `result`.
bool TakeWriteRight(const format::FormatRequest& request, const udisks::Block& block, bool throughFormat,
                    const std::vector<std::string>& points, int* fd, FormatResult* result) {
  const std::vector<std::string> rights = udisks::FormatRights(block, throughFormat);
  if (!throughFormat) {
    const udisks::CallResult call =
        udisks::OpenDeviceForWriting(request.objectPath, fd, /*exclusive=*/points.empty());
    if (call.ok) return true;
    Fail(result, call, rights);
  } else {
    for (const std::string& right : rights)
      if (udisks::AskRight(right) != udisks::RightAnswer::kNo) return true;
    result->error = FormatError::kNotAuthorized;
    result->refusedRight = rights.front();
  }
  result->mountPoint = points.empty() ? std::string() : points.front();
  return false;
}

// The volume a format has made, as the dialog shows it afterwards.
format::VolumeInfo MadeVolume(uint64_t sizeBytes, const std::string& label) {
  format::VolumeInfo volume;
  volume.valid = true;
  volume.fileSystem = "FAT32";
  volume.bytesPerSector = format::kSectorBytes;
  volume.clusterBytes = format::kClusterBytes;
  volume.totalBytes = sizeBytes;
  volume.label = label;
  return volume;
}

}  // namespace

format::FormatResult RunServiceFormat(const format::FormatRequest& request,
                                      const format::ProgressFn& progress) {
  ServiceFormat f{request, [&progress](int percent, format::FormatPhase phase) {
                    if (progress) progress(percent, phase);
                  }};
  FormatResult result;
  f.report(0, format::FormatPhase::kCheck);
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  const udisks::Block* block = snap.available ? FindBlock(snap, request.objectPath) : nullptr;
  if (!format::IsWritableLabel(request.label))
    result.error = FormatError::kBadLabel;
  else if (!snap.available)
    result.error = FormatError::kNoService;
  else if (block == nullptr)
    result.error = FormatError::kRemoved;
  else  // the service's size of the device, before anything is touched
    result.error = format::SizeRefusal(block->sizeBytes != 0 ? block->sizeBytes : request.sizeBytes);
  if (result.error != FormatError::kNone) return result;
  f.before = ProbeOf(*block);

  // The settings to keep: from the card's mount, mounting it for the
  // purpose when it carries a file system but is not mounted.
  f.report(2, format::FormatPhase::kReadSettings);
  std::vector<std::string> points = block->mountPoints;
  if (points.empty() && block->hasFilesystem) {
    std::string point;
    if (udisks::Mount(request.objectPath, &point).ok) points.push_back(point);
  }
  // An empty settings file is no settings: the card gets the default one.
  result.keptSettings = !points.empty() && ReadSettings(points.front(), &f.settings) && !f.settings.empty();
  if (!result.keptSettings) f.settings = std::string(DefaultSetupDat());

  // mkfs.fat (behind Block.Format) writes ASCII labels only: a card named
  // otherwise is written through the descriptor whatever the service's
  // version.
  const std::string label = format::LabelForDisk(request.label);
  const bool throughFormat = udisks::VersionAtLeast(snap.version, 2, 10) && format::IsAsciiLabel(label);
  int fd = -1;
  if (!TakeWriteRight(request, *block, throughFormat, points, &fd, &result)) return result;

  // Before anything is written: a copy in the user's data folder, named in
  // any failure's message.
  if (result.keptSettings)
    result.settingsCopy = format::SaveSettingsCopy(block->idLabel, f.settings, std::time(nullptr));

  f.report(5, format::FormatPhase::kUnmount);
  if (!points.empty()) {
    const udisks::CallResult call = udisks::Unmount(request.objectPath);
    if (!call.ok) {
      if (fd >= 0) close(fd);
      Fail(&result, call);
      return result;
    }
  }

  f.report(request.quick ? 10 : 5, format::FormatPhase::kFormat);
  if (throughFormat) {
    // The service runs mkfs.fat itself and passes the cluster size on; a
    // full format has it zero the whole card first.
    const udisks::CallResult call =
        udisks::Format(request.objectPath, "vfat", label, {"-F", "32", "-S", "512", "-s", "64"},
                       request.quick ? std::string() : std::string("zero"));
    f.made = call.ok;
    if (!call.ok) Fail(&result, call, udisks::FormatRights(*block, true));
  } else {
    f.made = WriteThroughDescriptor(f, fd, label, &result);
    // Block.Format marks the partition itself; here it is asked for. A card
    // whose mark cannot be changed still holds a good file system.
    if (f.made && udisks::NeedsFat32PartitionType(*block, snap))
      udisks::SetPartitionType(request.objectPath, "0x0c");
  }
  if (f.made) {
    result.formatted = true;
    result.volume = MadeVolume(request.sizeBytes, label);
  }
  f.report(90, format::FormatPhase::kFolders);
  MountAgain(f, &result);
  f.report(result.ok() ? 100 : 0, format::FormatPhase::kDone);
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

std::string FormatRightNote(const format::CardCandidate& card) {
  if (geteuid() == 0 || card.objectPath.empty()) return {};
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  const udisks::Block* block = FindBlock(snap, card.objectPath);
  if (block == nullptr) return {};
  // The label the options dialog starts from is the card's own.
  const bool throughFormat =
      udisks::VersionAtLeast(snap.version, 2, 10) && format::IsAsciiLabel(format::LabelForDisk(card.label));
  // Where the service may ask either of two rights (by the user's seat), a
  // granted one means no question.
  std::string asked;
  bool refused = true;
  for (const std::string& right : udisks::FormatRights(*block, throughFormat)) {
    const udisks::RightAnswer answer = udisks::AskRight(right);
    if (answer == udisks::RightAnswer::kYes || answer == udisks::RightAnswer::kUnknown) return {};
    if (answer == udisks::RightAnswer::kPassword && asked.empty()) asked = right;
    refused = refused && answer == udisks::RightAnswer::kNo;
  }
  if (!asked.empty()) return format::RightNote(udisks::RightAnswer::kPassword, asked);
  return refused ? format::RightNote(udisks::RightAnswer::kNo,
                                     udisks::FormatRights(*block, throughFormat).front())
                 : std::string();
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

  Probe before;
  if (!request.objectPath.empty()) {
    const udisks::Snapshot snap = udisks::TakeSnapshot();
    if (const udisks::Block* block = FindBlock(snap, request.objectPath)) before = ProbeOf(*block);
  }
  FormatResult result = format::RunFormat(request, progress, tools, system);
  // The direct way leaves the card unmounted: the service mounts it again,
  // so that it can be handed back and listed, whenever it holds a readable
  // file system, failed format or not (RunFormat has prepared it then); a
  // new one once the service has reported it.
  if (!request.objectPath.empty() && result.volume.valid) {
    if (result.formatted) WaitForNewFilesystem(request.objectPath, before);
    std::string mountPoint;
    FormatResult mountResult;
    if (MountAfterFormat(request.objectPath, &mountPoint, &mountResult)) result.mountPoint = mountPoint;
  }
  return result;
}

}  // namespace orvia
