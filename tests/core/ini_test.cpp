#include <gtest/gtest.h>

#include "app/ini_engine.h"
#include "app/profile_file.h"
#include "temp_dir.h"

namespace orvia {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Get(std::string_view text, std::string_view section, std::string_view key) {
  return ini::Find(text, section, key).value_or("<missing>");
}

TEST(IniRead, NamesMatchWithoutCaseAfterTrimming) {
  std::string text = "  [ Config_Data ]  \r\n  Driving_Impact  =  2 \r\n";
  EXPECT_EQ(Get(text, "CONFIG_DATA", "DRIVING_IMPACT"), "2");
  EXPECT_EQ(Get(text, " config_data ", " driving_impact "), "2");
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
  std::string text =
      "[A]\nk=first\nk=second\n"
      "[B]\nother=1\n"
      "[a]\nk=third\nonly=later\n";
  EXPECT_EQ(Get(text, "A", "k"), "first");
  // Only the first section of a name is searched.
  EXPECT_EQ(Get(text, "A", "only"), "<missing>");
  EXPECT_EQ(Get(text, "B", "k"), "<missing>");
}

TEST(IniRead, NoCommentSyntax) {
  std::string text = "[S]\n;k=commented\n#x=1\nk=v ; not a comment\n";
  EXPECT_EQ(Get(text, "S", ";k"), "commented");
  EXPECT_EQ(Get(text, "S", "#x"), "1");
  EXPECT_EQ(Get(text, "S", "k"), "v ; not a comment");
}

TEST(IniRead, QuotesAndEmptyValues) {
  std::string text =
      "[S]\n"
      "inner = \"Select \"OK\" for disk format or \"CANCEL\".\"\n"
      "single = 'a b '\n"
      "mixed = \"abc'\n"
      "blank = \"\"\n"
      "empty=\n"
      "trail = \"Disable the map \"\n"
      "bare name\n"
      "lone = \"\n";
  EXPECT_EQ(Get(text, "S", "inner"), "Select \"OK\" for disk format or \"CANCEL\".");
  EXPECT_EQ(Get(text, "S", "single"), "a b ");
  EXPECT_EQ(Get(text, "S", "mixed"), "\"abc'");
  EXPECT_EQ(Get(text, "S", "blank"), "");
  EXPECT_EQ(Get(text, "S", "empty"), "");
  EXPECT_EQ(Get(text, "S", "trail"), "Disable the map ");
  EXPECT_EQ(Get(text, "S", "bare name"), "<missing>");  // no '=': default
  EXPECT_EQ(Get(text, "S", "lone"), "\"");
}

TEST(IniRead, LineEndsOfEveryKind) {
  EXPECT_EQ(Get("[S]\rk=1\rj=2", "S", "j"), "2");
  EXPECT_EQ(Get("[S]\r\nk=1\r\nj=2", "S", "j"), "2");
  EXPECT_EQ(Get("[S]\nk=1\nj=2\n", "S", "k"), "1");
}

TEST(IniRead, LongValuesAreCut) {
  std::string text = "[S]\nk=" + std::string(3000, 'x') + "\n";
  EXPECT_EQ(Get(text, "S", "k").size(), ini::kMaxValueChars);
  // A multi-byte character is never cut in half.
  std::string wide = "[S]\nk=" + std::string(1021, 'x') + "\xE2\x96\xB6\xE2\x96\xB6\n";
  EXPECT_EQ(Get(wide, "S", "k"), std::string(1021, 'x') + "\xE2\x96\xB6");
}

TEST(IniRead, DefaultsFromFile) {
  TempDir dir;
  std::string path = dir / "setup.dat";
  EXPECT_EQ(ini::ReadProfileString(path, "S", "k", ""), "N/A");  // missing file
  EXPECT_EQ(ini::ReadProfileString(path, "S", "k", "7"), "7");
  WriteFile(path, "[S]\r\nk=1\r\n");
  EXPECT_EQ(ini::ReadProfileString(path, "S", "k", "7"), "1");
  EXPECT_EQ(ini::ReadProfileString(path, "T", "k", ""), "N/A");  // missing section
  EXPECT_EQ(ini::ReadProfileString(path, "S", "x", "d"), "d");   // missing key
  // A folder is not a readable file.
  EXPECT_EQ(ini::ReadProfileString(dir.path(), "S", "k", ""), "N/A");
}

TEST(IniWrite, ReplacesTheFirstKeyWhereItStands) {
  std::string text = "; head\r\n[S]\r\n  K = \"old\" \r\nk=dup\r\n[T]\r\nk=t\r\n";
  EXPECT_EQ(ini::Set(text, "s", "k", "new"), "; head\r\n[S]\r\nk=new\r\nk=dup\r\n[T]\r\nk=t\r\n");
}

TEST(IniWrite, AddsMissingKeyAfterTheSectionsLastEntry) {
  std::string text = "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nc=3\r\n";
  EXPECT_EQ(ini::Set(text, "S", "new", "x"), "[S]\r\na=1\r\nb=2\r\nnew=x\r\n\r\n[T]\r\nc=3\r\n");
  EXPECT_EQ(ini::Set("[S]\r\n\r\n[T]\r\n", "S", "k", "v"), "[S]\r\nk=v\r\n\r\n[T]\r\n");
  // The last line of the file has no line end.
  EXPECT_EQ(ini::Set("[S]\r\na=1", "S", "b", "2"), "[S]\r\na=1\r\nb=2");
}

TEST(IniWrite, AddsMissingSectionAtTheEnd) {
  EXPECT_EQ(ini::Set("[S]\na=1\n", "T", "k", "v"), "[S]\na=1\n[T]\nk=v\n");
  EXPECT_EQ(ini::Set("[S]\r\na=1", "T", "k", "v"), "[S]\r\na=1\r\n[T]\r\nk=v\r\n");
  EXPECT_EQ(ini::Set("", "T", "k", "v"), "[T]\r\nk=v\r\n");
}

TEST(IniWrite, FilesOnDisk) {
  TempDir dir;
  std::string path = dir / "setup.dat";
  ASSERT_TRUE(ini::WriteProfileString(path, "CONFIG_DATA", "DRIVING_IMPACT", "1"));
  EXPECT_EQ(ReadFile(path), "[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\n");

  // Writing what is stored leaves the bytes alone, whatever their layout.
  std::string odd = "[CONFIG_DATA]\r\n DRIVING_IMPACT = \"1\" \r\nX=2";
  WriteFile(path, odd);
  ASSERT_TRUE(ini::WriteProfileString(path, "config_data", "driving_impact", "1"));
  EXPECT_EQ(ReadFile(path), odd);
  ASSERT_TRUE(ini::WriteProfileString(path, "CONFIG_DATA", "X", "3"));
  EXPECT_EQ(ReadFile(path), "[CONFIG_DATA]\r\n DRIVING_IMPACT = \"1\" \r\nX=3");

  // A missing folder makes the write fail and creates nothing.
  EXPECT_FALSE(ini::WriteProfileString(dir / "no/such/setup.dat", "S", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(ProfileFile, ReadsThroughCodePages) {
  TempDir dir;
  std::string path = dir / "strings.ini";
  WriteFile(path,
            "[STRINGTABLE]\r\nIDS_A = \"\xA2\xBA SD Path\"\r\nIDS_B = \"\xA2\xC2 x\"\r\nIDS_C = \"caf\xE9\"");
  CProfileFile cp949(path, FileCodec::kCp949);
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_A"), "\u25B6 SD Path");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_B"), "\u25C8 x");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_MISSING"), "N/A");
  CProfileFile latin(path);
  EXPECT_EQ(latin.ReadString("STRINGTABLE", "IDS_C"), "caf\u00E9");
}

}  // namespace
}  // namespace orvia
