#include "settings/setup_file.h"

#include <climits>
#include <filesystem>
#include <string_view>

#include "base/file_io.h"
#include "base/ini_engine.h"
#include "base/ini_file.h"
#include "settings/time_zones.h"

namespace orvia {

namespace {

// The viewer's own defaults for missing keys. MOTION_SENSITIVITY defaults to
// 2 although the default file carries 1.
struct KeyDefault {
  const char* key;
  const char* value;
};
constexpr KeyDefault kDrivingImpact{"DRIVING_IMPACT", "1"};
constexpr KeyDefault kParkingImpact{"PARKING_IMPACT", "1"};
constexpr KeyDefault kBatCutoffVolt{"BAT_CUTOFF_VOLT", "2"};
constexpr KeyDefault kSdQuota{"SD_QUOTA", "2"};
constexpr KeyDefault kMotionSensitivity{"MOTION_SENSITIVITY", "2"};
constexpr KeyDefault kSound{"SOUND", "1"};
constexpr KeyDefault kVoiceMent{"VOICE_MENT", "1"};
constexpr KeyDefault kPip{"PIP", "1"};
constexpr KeyDefault kMirror{"MIRROR", "0"};
constexpr KeyDefault kDrivingQuality{"DRIVING_QUALITY", "0"};
constexpr KeyDefault kParkingQuality{"PARKING_QUALITY", "0"};
constexpr KeyDefault kGmt{"GMT", "-9.0"};

// "0", "1", ... matched exactly against the first `count` positions.
int ExactChoice(const std::string& text, int count) {
  for (int i = 0; i < count; ++i) {
    if (text == std::to_string(i)) return i;
  }
  return -1;
}

// The leading decimal number of `text` (blanks, a sign, digits); 0 when there
// are no digits. Saturates instead of overflowing.
long long LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n < LLONG_MAX / 10) n = n * 10 + (text[i] - '0');
  }
  return negative ? -n : n;
}

int NumberChoice(const std::string& text, int count) {
  const long long n = LeadingNumber(text);
  return n >= 0 && n < count ? static_cast<int>(n) : -1;
}

int OnOff(const std::string& text) { return text == "1" ? 1 : 0; }

}  // namespace

std::string SetupDatPath(const std::string& cardRoot) {
  return (std::filesystem::path(cardRoot) / "Config" / "setup.dat").string();
}

SetupChoices ReadSetupChoices(const std::string& path) {
  const CProfileFile file(path, FileCodec::kLatin1);
  auto read = [&file](const KeyDefault& k) { return file.ReadString(kSetupSection, k.key, k.value); };
  SetupChoices c;
  c.drivingImpact = ExactChoice(read(kDrivingImpact), kImpactChoices);
  c.parkingImpact = ExactChoice(read(kParkingImpact), kImpactChoices);
  c.batCutoffVolt = NumberChoice(read(kBatCutoffVolt), kCutoffChoices);
  c.sdQuota = ExactChoice(read(kSdQuota), kSdQuotaChoices);
  c.motionSensitivity = ExactChoice(read(kMotionSensitivity), kImpactChoices);
  c.sound = OnOff(read(kSound));
  c.voiceMent = OnOff(read(kVoiceMent));
  c.pip = OnOff(read(kPip));
  c.mirror = OnOff(read(kMirror));
  c.drivingQuality = ExactChoice(read(kDrivingQuality), kQualityChoices);
  c.parkingQuality = ExactChoice(read(kParkingQuality), kQualityChoices);
  c.timeZone = TimeZoneFromStoredValue(read(kGmt));
  return c;
}

SetupChoices DefaultSetupChoices() { return ReadSetupChoices(std::string()); }

SetupWriteResult WriteSetupChoices(const std::string& path, const SetupChoices& choices) {
  ReadResult read = ReadRegularFile(path, ini::kMaxFileBytes);
  // A file that is there but cannot be read whole (permissions, a FIFO, a
  // short read) must not be replaced by one holding only our twelve keys.
  if (!MayReplace(read.status)) return SetupWriteResult::kFailed;
  const bool existed = read.status == ReadStatus::kOk;
  std::string text = read.bytes;

  auto setList = [&text](const char* key, int choice, int count) {
    if (choice < 0 || choice >= count) return;  // no choice: the stored value stays
    text = ini::Set(text, kSetupSection, key, std::to_string(choice));
  };
  auto setOnOff = [&text](const char* key, int value) {
    text = ini::Set(text, kSetupSection, key, value ? "1" : "0");
  };
  setList(kDrivingImpact.key, choices.drivingImpact, kImpactChoices);
  setList(kParkingImpact.key, choices.parkingImpact, kImpactChoices);
  setList(kBatCutoffVolt.key, choices.batCutoffVolt, kCutoffChoices);
  setList(kSdQuota.key, choices.sdQuota, kSdQuotaChoices);
  setList(kMotionSensitivity.key, choices.motionSensitivity, kImpactChoices);
  setOnOff(kSound.key, choices.sound);
  setOnOff(kVoiceMent.key, choices.voiceMent);
  setOnOff(kPip.key, choices.pip);
  setOnOff(kMirror.key, choices.mirror);
  setList(kDrivingQuality.key, choices.drivingQuality, kQualityChoices);
  setList(kParkingQuality.key, choices.parkingQuality, kQualityChoices);
  const std::string_view zone = TimeZoneValue(choices.timeZone);
  if (!zone.empty()) text = ini::Set(text, kSetupSection, kGmt.key, zone);

  if (existed && text == read.bytes) return SetupWriteResult::kUnchanged;
  return ini::WriteFileBytes(path, text) ? SetupWriteResult::kWritten : SetupWriteResult::kFailed;
}

}  // namespace orvia
