// The clock file's bytes and the time-zone table.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/ini_engine.h"
#include "settings/clock_file.h"
#include "settings/time_zones.h"
#include "tests/settings/card_fixture.h"

namespace orvia {
namespace {

using test::TempCard;

TEST(ClockFile, NineteenBytesInAConfigFolderMadeIfMissingAndReplacedWhole) {
  EXPECT_EQ(FormatClockFile({10000, 1, 1, 0, 0, 0}), "");  // would not be 19 bytes
  TempCard card;
  card.RemoveConfig();
  ASSERT_TRUE(WriteClockFile(card.Root(), {2027, 11, 22, 13, 14, 15}));
  EXPECT_EQ(ini::ReadFileBytes(card.Root() + "Config/time.bin"), "2027 11 22 13 14 15");
  ASSERT_TRUE(WriteClockFile(card.Root(), {2013, 3, 1, 9, 5, 3}));
  EXPECT_EQ(ini::ReadFileBytes(card.Root() + "Config/time.bin"), "2013 03 01 09 05 03");
}

TEST(ClockFile, NoWriteWithoutAWritableCard) {
  TempCard card;
  // No card: nothing is written into the working folder.
  EXPECT_FALSE(WriteClockFile("", {2013, 3, 1, 9, 5, 3}));
  // A card pulled out: its root is gone, and nothing may be made in its place.
  const std::string gone = card.Root() + "pulled/";
  EXPECT_FALSE(WriteClockFile(gone, {2013, 3, 1, 9, 5, 3}));
  EXPECT_FALSE(std::filesystem::exists(gone));
  // A write-protected clock file is not replaced.
  ASSERT_TRUE(WriteClockFile(card.Root(), {2013, 3, 1, 9, 5, 3}));
  std::filesystem::permissions(card.Root() + "Config/time.bin", std::filesystem::perms::owner_read);
  EXPECT_FALSE(WriteClockFile(card.Root(), {2027, 1, 2, 3, 4, 5}));
  EXPECT_EQ(ini::ReadFileBytes(card.Root() + "Config/time.bin"), "2013 03 01 09 05 03");
}

TEST(TimeZones, TableAndStoredValues) {
  EXPECT_EQ(TimeZoneValue(0), "+12.0");
  EXPECT_EQ(TimeZoneValue(28), "-10.0");
  EXPECT_EQ(TimeZoneValue(kDefaultTimeZone), kDefaultTimeZoneValue);
  EXPECT_EQ(TimeZoneValue(31), "");
  EXPECT_EQ(TimeZoneDisplayText(0), "(GMT-12:00) Eniwetok, Kwajalein");
  EXPECT_EQ(TimeZoneDisplayText(26), "(GMT+09:00) Osaka, Sapporo, Seoul, Tokyo, Yakutsk");
  EXPECT_EQ(TimeZoneDisplayText(30), "(GMT+12:00) Auckland, Welington, fiji, Marshall Island");
  for (int pos = 0; pos < kTimeZoneCount; ++pos) {
    // Every value selects its own entry, and every entry shows "(GMT".
    EXPECT_EQ(TimeZoneFromStoredValue(TimeZoneValue(pos)), pos) << pos;
    EXPECT_EQ(TimeZoneDisplayText(pos).substr(0, 4), "(GMT") << pos;
  }

  struct Case {
    const char* stored;
    int pos;
  } cases[] = {
      {"-9.0", 26},  {"9.0", 26},  // also inside "+9.0" (3): the last entry wins
      {"-1.0", 14},                // not inside "-11.0" or "-10.0"
      {"", 30},                    // contained in every entry
      {"+13.0", -1}, {"Tokyo", 26}, {"-9", 27},
  };
  for (const Case& c : cases) EXPECT_EQ(TimeZoneFromStoredValue(c.stored), c.pos) << c.stored;
}

}  // namespace
}  // namespace orvia
