#include "settings/default_setup.h"

#include "base/file_io.h"

namespace orvia {

namespace {

constexpr char kDefaultSetup[] =
    "[CONFIG_DATA]\r\n"
    "DRIVING_IMPACT=1\r\n"
    "PARKING_IMPACT=1\r\n"
    "SOUND=1\r\n"
    "SD_QUOTA=2\r\n"
    "VOICE_MENT=1\r\n"
    "GMT=-9.0\r\n"
    "BAT_CUTOFF_VOLT=2\r\n"
    "PIP=1\r\n"
    "MIRROR=0\r\n"
    "DRIVING_QUALITY=0\r\n"
    "PARKING_QUALITY=0\r\n"
    "FORMAT_YEAR=2012\r\n"
    "FORMAT_MONTH=10\r\n"
    "FORMAT_DAY=26\r\n"
    "BOOT_YEAR=2012\r\n"
    "BOOT_MONTH=10\r\n"
    "BOOT_DAY=26\r\n"
    "BOOT_HOUR=17\r\n"
    "BOOT_MIN=12\r\n"
    "BOOT_SEC=11\r\n"
    "BOOT_ERROR=0\r\n"
    "MOTION_SENSITIVITY=1\r\n"
    "REBOOTING=0\r\n";

static_assert(sizeof(kDefaultSetup) - 1 == kDefaultSetupDatBytes);

}  // namespace

std::string_view DefaultSetupDat() { return std::string_view(kDefaultSetup, sizeof(kDefaultSetup) - 1); }

bool WriteDefaultSetupDat(const std::string& path) { return WriteFileDurably(path, DefaultSetupDat()); }

}  // namespace orvia
