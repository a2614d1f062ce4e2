// Reading setup.dat into the page's choices and writing them back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/default_setup.h"
#include "settings/setup_file.h"
#include "tests/settings/card_fixture.h"

namespace orvia {
namespace {

using test::TempCard;

// The default file with `key`'s line replaced by `line` (or dropped when empty).
std::string DefaultWith(const std::string& key, const std::string& line) {
  std::string text(DefaultSetupDat());
  const size_t at = text.find("\r\n" + key + "=") + 2;
  const size_t end = text.find("\r\n", at) + 2;
  text.replace(at, end - at, line.empty() ? "" : line + "\r\n");
  return text;
}

// The viewer's defaults for a card without the file or without a key, in field
// order: impacts 1, cut-off 2, quota 2, motion 2, sound, voice and PIP on, mirror
// off, qualities 0, time zone 26 ("-9.0").
SetupChoices ViewerDefaults() { return {1, 1, 2, 2, 2, 1, 1, 1, 0, 0, 0, 26}; }

TEST(SetupFileRead, DefaultFileMissingFileAndMissingKeys) {
  TempCard card;
  // A card without the file: the viewer's defaults (motion sensitivity 2).
  EXPECT_EQ(ReadSetupChoices(card.SetupPath()), ViewerDefaults());
  EXPECT_EQ(DefaultSetupChoices(), ViewerDefaults());

  // The default file carries motion sensitivity 1; everything else agrees.
  card.WriteSetup(DefaultSetupDat());
  SetupChoices expected = ViewerDefaults();
  expected.motionSensitivity = 1;
  EXPECT_EQ(ReadSetupChoices(card.SetupPath()), expected);

  // Keys missing from the file take the viewer's defaults, not the file's.
  card.WriteSetup(
      "[CONFIG_DATA]\r\nDRIVING_IMPACT=0\r\nMIRROR=1\r\nPIP=0\r\nFORMAT_YEAR=2012\r\n[OTHER]\r\nSD_QUOTA="
      "0\r\n");
  SetupChoices partial = ViewerDefaults();
  partial.drivingImpact = 0;
  partial.mirror = 1;
  partial.pip = 0;
  EXPECT_EQ(ReadSetupChoices(card.SetupPath()), partial);
}

struct ValueCase {
  const char* line;  // replaces the key's line in the default file
  int SetupChoices::*field;
  int expected;
};

TEST(SetupFileRead, StoredValuesToChoices) {
  const ValueCase cases[] = {
      // Lists compared exactly: anything but "0".."2" leaves no selection.
      {"DRIVING_IMPACT=2", &SetupChoices::drivingImpact, 2},
      {"DRIVING_IMPACT=3", &SetupChoices::drivingImpact, -1},
      {"PARKING_IMPACT=01", &SetupChoices::parkingImpact, -1},
      {"MOTION_SENSITIVITY=", &SetupChoices::motionSensitivity, -1},
      {"PARKING_QUALITY=2", &SetupChoices::parkingQuality, -1},
      // The cut-off is read as a number: leading digits, none gives 0.
      {"BAT_CUTOFF_VOLT=7", &SetupChoices::batCutoffVolt, 7},
      {"BAT_CUTOFF_VOLT=9", &SetupChoices::batCutoffVolt, -1},
      {"BAT_CUTOFF_VOLT=5x", &SetupChoices::batCutoffVolt, 5},
      {"BAT_CUTOFF_VOLT=abc", &SetupChoices::batCutoffVolt, 0},
      {"BAT_CUTOFF_VOLT=-3", &SetupChoices::batCutoffVolt, -1},
      {"BAT_CUTOFF_VOLT=99999999999999999999999", &SetupChoices::batCutoffVolt, -1},
      // On/off: only "1" is on.
      {"SOUND=2", &SetupChoices::sound, 0},
      {"MIRROR=1", &SetupChoices::mirror, 1},
      // The time zone whose full text contains the stored value.
      {"GMT=+13.0", &SetupChoices::timeZone, -1},
      {"GMT=", &SetupChoices::timeZone, 30},
      {"GMT=-1.0", &SetupChoices::timeZone, 14},
  };
  TempCard card;
  for (const ValueCase& c : cases) {
    const std::string line = c.line;
    card.WriteSetup(DefaultWith(line.substr(0, line.find('=')), line));
    EXPECT_EQ(ReadSetupChoices(card.SetupPath()).*c.field, c.expected) << line;
  }
}

TEST(SetupFileWrite, ChangedValuesReplaceTheirLinesOnly) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  SetupChoices c = ReadSetupChoices(card.SetupPath());
  c.drivingImpact = 2;
  c.batCutoffVolt = 7;
  c.sound = 0;
  c.mirror = 1;
  c.parkingQuality = 1;
  c.timeZone = 0;  // "+12.0": longer than the "-9.0" it replaces
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), c), SetupWriteResult::kWritten);
  std::string want(DefaultSetupDat());
  for (const auto& [from, to] : {std::pair{"DRIVING_IMPACT=1", "DRIVING_IMPACT=2"},
                                 {"BAT_CUTOFF_VOLT=2", "BAT_CUTOFF_VOLT=7"},
                                 {"SOUND=1", "SOUND=0"},
                                 {"MIRROR=0", "MIRROR=1"},
                                 {"PARKING_QUALITY=0", "PARKING_QUALITY=1"},
                                 {"GMT=-9.0", "GMT=+12.0"}})
    want.replace(want.find(from), std::string_view(from).size(), to);
  EXPECT_EQ(card.ReadSetup(), want);
}

TEST(SetupFileWrite, NothingChangedLeavesTheFileUntouched) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  const auto before = std::filesystem::last_write_time(card.SetupPath());
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), ReadSetupChoices(card.SetupPath())),
            SetupWriteResult::kUnchanged);
  EXPECT_EQ(card.ReadSetup(), DefaultSetupDat());
  EXPECT_EQ(std::filesystem::last_write_time(card.SetupPath()), before);
}

// A missing Config folder is not made: the settings dialog test shows the refusal.
TEST(SetupFileWrite, MissingFileIsCreatedInKeyOrder) {
  EXPECT_EQ(SetupDatPath("/media/user/CARD/"), "/media/user/CARD/Config/setup.dat");
  EXPECT_EQ(SetupDatPath("/media/user/CARD"), "/media/user/CARD/Config/setup.dat");
  TempCard card;
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), ViewerDefaults()), SetupWriteResult::kWritten);
  EXPECT_EQ(card.ReadSetup(),
            "[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\nPARKING_IMPACT=1\r\nBAT_CUTOFF_VOLT=2\r\nSD_QUOTA=2\r\n"
            "MOTION_SENSITIVITY=2\r\nSOUND=1\r\nVOICE_MENT=1\r\nPIP=1\r\nMIRROR=0\r\nDRIVING_QUALITY=0\r\n"
            "PARKING_QUALITY=0\r\nGMT=-9.0\r\n");
}

TEST(SetupFileWrite, UnknownKeysLinesAndSectionsSurvive) {
  TempCard card;
  const std::string original =
      "; written by the recorder\r\n[CONFIG_DATA]\r\nFIRMWARE=1.2.3\r\nSOUND=1\r\n\r\nnot an entry\r\n"
      "GMT=-9.0\r\n[LOG]\r\nSOUND=7\r\n";
  card.WriteSetup(original);
  SetupChoices c = ReadSetupChoices(card.SetupPath());
  c.sound = 0;
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), c), SetupWriteResult::kWritten);
  // Missing keys go after the last entry of the section, before the next one.
  EXPECT_EQ(card.ReadSetup(),
            "; written by the recorder\r\n[CONFIG_DATA]\r\nFIRMWARE=1.2.3\r\nSOUND=0\r\n\r\nnot an entry\r\n"
            "GMT=-9.0\r\nDRIVING_IMPACT=1\r\nPARKING_IMPACT=1\r\nBAT_CUTOFF_VOLT=2\r\nSD_QUOTA=2\r\n"
            "MOTION_SENSITIVITY=2\r\nVOICE_MENT=1\r\nPIP=1\r\nMIRROR=0\r\nDRIVING_QUALITY=0\r\n"
            "PARKING_QUALITY=0\r\n[LOG]\r\nSOUND=7\r\n");
}

TEST(SetupFileWrite, ListsWithoutAChoiceKeepTheirStoredValue) {
  // A value this viewer does not know (a later firmware's cut-off time, a
  // zone outside the table) is not replaced by "-1" or dropped.
  TempCard card;
  std::string text = DefaultWith("GMT", "GMT=+13.0");
  text.replace(text.find("BAT_CUTOFF_VOLT=2"), 17, "BAT_CUTOFF_VOLT=9");
  card.WriteSetup(text);
  SetupChoices c = ReadSetupChoices(card.SetupPath());
  ASSERT_EQ(c.batCutoffVolt, -1);
  ASSERT_EQ(c.timeZone, -1);
  c.drivingImpact = 5;  // outside its list: treated as no choice
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), c), SetupWriteResult::kUnchanged);
  EXPECT_EQ(card.ReadSetup(), text);
}

TEST(SetupFileWrite, AFileThatCannotBeReadIsNotReplaced) {
  TempCard card;
  std::filesystem::create_directories(card.SetupPath());  // in the way of the file
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), ViewerDefaults()), SetupWriteResult::kFailed);
  EXPECT_TRUE(std::filesystem::is_directory(card.SetupPath()));
  std::filesystem::remove(card.SetupPath());

  // A FIFO (read without a writer it would block) is refused at once.
  ASSERT_EQ(mkfifo(card.SetupPath().c_str(), 0644), 0);
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), ViewerDefaults()), SetupWriteResult::kFailed);
  EXPECT_EQ(ReadSetupChoices(card.SetupPath()), ViewerDefaults());
  std::filesystem::remove(card.SetupPath());

  // A file the user may not read (root reads any file, so only as a user).
  if (geteuid() != 0) {
    card.WriteSetup("[CONFIG_DATA]\r\nBOOT_YEAR=2012\r\n");
    ASSERT_EQ(chmod(card.SetupPath().c_str(), 0), 0);
    EXPECT_EQ(WriteSetupChoices(card.SetupPath(), ViewerDefaults()), SetupWriteResult::kFailed);
    ASSERT_EQ(chmod(card.SetupPath().c_str(), 0644), 0);
    EXPECT_EQ(card.ReadSetup(), "[CONFIG_DATA]\r\nBOOT_YEAR=2012\r\n");
    std::filesystem::remove(card.SetupPath());
  }

  // A write-protected file fails (root included) and keeps bytes and mode.
  const std::string text(DefaultSetupDat());
  card.WriteSetup(text);
  ASSERT_EQ(chmod(card.SetupPath().c_str(), 0444), 0);
  SetupChoices changed = ViewerDefaults();
  changed.mirror = 1;
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), changed), SetupWriteResult::kFailed);
  EXPECT_EQ(card.ReadSetup(), text);
  struct stat st {};
  ASSERT_EQ(stat(card.SetupPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST(SetupFileWrite, ByteOrderMarkFileReadsItsValuesAndKeepsOneSection) {
  TempCard card;
  const std::string bom = "\xEF\xBB\xBF";
  card.WriteSetup(bom + DefaultWith("SOUND", "SOUND=0"));
  SetupChoices c = ReadSetupChoices(card.SetupPath());
  EXPECT_EQ(c.sound, 0);
  EXPECT_EQ(c.motionSensitivity, 1);  // the file's value, not the viewer's default 2
  c.mirror = 1;
  ASSERT_EQ(WriteSetupChoices(card.SetupPath(), c), SetupWriteResult::kWritten);
  std::string want = DefaultWith("SOUND", "SOUND=0");
  want.replace(want.find("MIRROR=0"), 8, "MIRROR=1");
  EXPECT_EQ(card.ReadSetup(), bom + want);
  EXPECT_EQ(WriteSetupChoices(card.SetupPath(), c), SetupWriteResult::kUnchanged);
}

}  // namespace
}  // namespace orvia
