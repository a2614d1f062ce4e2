#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "base/ini_engine.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "strings_env.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

// The lines of a file whose lines end in CR LF.
std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  for (size_t pos = 0, end = 0; pos <= bytes.size(); pos = end + 2) {
    end = std::min(bytes.find("\r\n", pos), bytes.size());
    lines.emplace_back(bytes.substr(pos, end - pos));
  }
  return lines;
}

size_t Count(std::string_view hay, std::string_view needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string_view::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

TEST(StringFile, ShippedBytesKeepTheirForm) {
  std::string_view bytes = EnglishStringFileBytes();
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(bytes.back(), '\n');
  // Every line feed is part of a CR LF pair, and no CR stands alone.
  EXPECT_EQ(Count(bytes, "\n"), Count(bytes, "\r\n"));
  EXPECT_EQ(Count(bytes, "\r"), Count(bytes, "\r\n"));
  EXPECT_EQ(Count(bytes, "\xA2\xBA"), 15u);
  EXPECT_EQ(Count(bytes, "\xA2\xC2"), 4u);
  EXPECT_EQ(Count(bytes, "\xA1\xA6"), 5u);  // "Add folder", the three exports and the card reading
  for (unsigned char c : bytes)
    EXPECT_TRUE(c < 0x80 || c == 0xA2 || c == 0xBA || c == 0xC2 || c == 0xA1 || c == 0xA6);

  std::vector<std::string> lines = Lines(bytes);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "[STRINGTABLE]");
  std::vector<std::string> keys;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    size_t eq = lines[i].find(" = \"");
    ASSERT_NE(eq, std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].back(), '"') << lines[i];
    std::string key = lines[i].substr(0, eq);
    if (key.back() == ' ') key.pop_back();  // the one entry with two blanks
    EXPECT_EQ(key.rfind("IDS_", 0), 0u) << key;
    keys.push_back(key);
  }
  // The recorder's 153 entries, and the program's own added after them.
  EXPECT_GE(keys.size(), 153u);
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size() - 1);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "IDS_CAPTION_TOOLTIP_CAPTURE"), 2);
  EXPECT_EQ(keys.front(), "IDS_CAPTION_OK");
  EXPECT_EQ(keys.back(), "IDS_DATA_CONFIG_FILE_NAME_2CH");
  EXPECT_NE(bytes.find("IDS_CAPTION_NO_PICTURE  = \"No Picture\""), std::string_view::npos);
}

TEST(LocalizedText, TextsAsTheProgramShowsThem) {
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_OK"), "OK");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_CANCEL"), "CANCEL");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_LIST_SD"), "\u25B6 SD Path");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_UPDATE_PCVIEWER_VERSION"), "\u25C8 Current PC viewer version:  ");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_DISK_FORMAT_WARNING_2"),
            "Select \"OK\" for disk format or \"CANCEL\".");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_SETUP_ETC"), "");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_TOOLTIP_MAP_ON"), "Disable the map ");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_TOOLTIP_CAPTURE"), "Snapshot");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_MODE_MOTION"), "Parking event");
  EXPECT_EQ(GetLocalizedText("IDS_NO_SUCH_KEY"), "N/A");
  EXPECT_EQ(GetLocalizedText(""), "N/A");
}

TEST(LocalizedText, PathIsFixedAfterTheFirstLookup) {
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_CLOSE"), "CLOSE");
  test::TempDir other;
  test::WriteFile(other / kStringFileName, "[STRINGTABLE]\r\nIDS_CAPTION_CLOSE = \"moved\"");
  SetProgramFolderForTesting(other.path() + "/");
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_CLOSE"), "CLOSE");
  SetProgramFolderForTesting(test::TestProgramFolder());
}

TEST(LocalizedText, MissingFileGivesNotAvailable) {
  std::string path = test::TestProgramFolder() + kStringFileName;
  std::string saved = test::ReadFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_OK"), "N/A");
  test::WriteFile(path, saved);
  EXPECT_EQ(GetLocalizedText("IDS_CAPTION_OK"), "OK");
}

TEST(ProgramFolder, CutAfterTheLastSeparator) {
  EXPECT_EQ(ProgramFolderFromModulePath("C:\\Program Files\\Orvia\\orvia.exe"), "C:\\Program Files\\Orvia\\");
  EXPECT_EQ(ProgramFolderFromModulePath("/usr/lib/orvia/orvia"), "/usr/lib/orvia/");
  EXPECT_EQ(ProgramFolderFromModulePath("C:\\a/b\\c/orvia"), "C:\\a/b\\");
  EXPECT_EQ(ProgramFolderFromModulePath("orvia"), "orvia");
  std::string own = GetProgramFolder();
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own.back(), '/');
}

}  // namespace
}  // namespace orvia
