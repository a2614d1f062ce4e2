// The recorder's settings file on the card, Config/setup.dat (section
// CONFIG_DATA): the twelve settings the viewer edits, read into the choices
// of the settings page and written back from them. Keys the viewer does not
// know, and the order of the lines, are kept.
#pragma once

#include <string>

namespace orvia {

constexpr const char* kSetupSection = "CONFIG_DATA";

// Number of entries of each list of the settings page.
constexpr int kImpactChoices = 3;   // DRIVING_IMPACT, PARKING_IMPACT, MOTION_SENSITIVITY
constexpr int kCutoffChoices = 8;   // BAT_CUTOFF_VOLT: 11.5, 11.7, 11.9, 12.1 V; 5, 10, 24, 48 hours
constexpr int kSdQuotaChoices = 3;  // SD_QUOTA: 0 %, 25 %, 50 %
constexpr int kQualityChoices = 2;  // DRIVING_QUALITY, PARKING_QUALITY: high, low

// The settings as the page shows them. A list choice is the position of the
// entry, -1 when the stored value matches no entry (the list shows nothing);
// an on/off value is 0 or 1.
struct SetupChoices {
  int drivingImpact = -1;
  int parkingImpact = -1;
  int batCutoffVolt = -1;
  int sdQuota = -1;
  int motionSensitivity = -1;
  int sound = 0;
  int voiceMent = 0;
  int pip = 0;
  int mirror = 0;
  int drivingQuality = -1;
  int parkingQuality = -1;
  int timeZone = -1;  // position in the time-zone table (time_zones.h)

  bool operator==(const SetupChoices&) const = default;
};

// Path of the settings file below a card root ("<root>/Config/setup.dat").
std::string SetupDatPath(const std::string& cardRoot);

// Reads the twelve settings; a missing file or key takes the viewer's
// default (impacts 1, cut-off 2, quota 2, motion 2, sound, voice and PIP on,
// mirror off, qualities 0, time zone "-9.0").
SetupChoices ReadSetupChoices(const std::string& path);

// The choices of a card without a settings file.
SetupChoices DefaultSetupChoices();

enum class SetupWriteResult {
  kWritten,    // the file was replaced with the new values
  kUnchanged,  // every value was already stored; the file was not touched
  kFailed,     // the file could not be read or written; it is as it was
};

// Writes the twelve settings into the file in their fixed order: a list as
// the decimal position, an on/off value as "1" or "0", the time zone as its
// value text. A list or time zone without a choice (-1, or a position outside
// its list) leaves its stored value untouched. Missing keys are added after
// the last entry of the section, and a missing file is created, but not a
// missing Config folder. The new content replaces the file at once (never half
// written) and is flushed to the card before kWritten is answered. A file
// that is there but cannot be read whole, or is read-only, gives kFailed and
// keeps its bytes and mode. A leading byte-order mark is kept.
SetupWriteResult WriteSetupChoices(const std::string& path, const SetupChoices& choices);

}  // namespace orvia
