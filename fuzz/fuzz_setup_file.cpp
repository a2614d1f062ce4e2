// The settings file round trip on any file: read the choices, change some,
// save, read again. The saved choices read back, keys the viewer does not
// know keep their values, and a second save changes nothing.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/ini_engine.h"
#include "settings/setup_file.h"

namespace {

// A scratch file on a memory file system when there is one (the save flushes).
const std::string& ScratchPath() {
  static const std::string path = [] {
    const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return dir + "/orvia-fuzz-setup-" + std::to_string(getpid()) + ".dat";
  }();
  return path;
}

int Pick(uint8_t byte, int count) { return byte % (count + 1) - 1; }  // -1 = no choice

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvia;
  if (size < 12) return 0;
  const uint8_t* pick = data;  // the first 12 bytes choose the new values
  const std::string before(reinterpret_cast<const char*>(data + 12), size - 12);
  const std::string& path = ScratchPath();
  if (!ini::WriteFileBytes(path, before)) return 0;

  SetupChoices c = ReadSetupChoices(path);
  c.drivingImpact = Pick(pick[0], kImpactChoices);
  c.parkingImpact = Pick(pick[1], kImpactChoices);
  c.batCutoffVolt = Pick(pick[2], kCutoffChoices);
  c.sdQuota = Pick(pick[3], kSdQuotaChoices);
  c.motionSensitivity = Pick(pick[4], kImpactChoices);
  c.sound = pick[5] & 1;
  c.voiceMent = pick[6] & 1;
  c.pip = pick[7] & 1;
  c.mirror = pick[8] & 1;
  c.drivingQuality = Pick(pick[9], kQualityChoices);
  c.parkingQuality = Pick(pick[10], kQualityChoices);
  c.timeZone = pick[11] % 33 - 1;
  if (WriteSetupChoices(path, c) == SetupWriteResult::kFailed) std::abort();
  const std::string after = ini::ReadFileBytes(path).value_or("<gone>");

  // Every value saved reads back; "no choice" leaves what was read.
  const SetupChoices back = ReadSetupChoices(path);
  auto same = [](int saved, int read, int count) { return saved < 0 || saved >= count || saved == read; };
  if (!same(c.drivingImpact, back.drivingImpact, kImpactChoices) ||
      !same(c.sdQuota, back.sdQuota, kSdQuotaChoices) ||
      !same(c.batCutoffVolt, back.batCutoffVolt, kCutoffChoices) || back.sound != c.sound ||
      back.mirror != c.mirror || !same(c.parkingQuality, back.parkingQuality, kQualityChoices))
    std::abort();
  // Keys the viewer does not know keep their values.
  for (const char* key : {"BOOT_YEAR", "REBOOTING", "X"}) {
    if (ini::Find(before, kSetupSection, key) != ini::Find(after, kSetupSection, key)) std::abort();
  }
  // Saving the same choices again changes nothing.
  if (WriteSetupChoices(path, c) != SetupWriteResult::kUnchanged) std::abort();
  if (ini::ReadFileBytes(path) != after) std::abort();
  unlink(path.c_str());
  return 0;
}
