#include <gtest/gtest.h>

#include "base/ini_engine.h"
#include "base/ini_file.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Each row: a file's text, the section and key asked for, what is found
// ("<missing>" for nothing).
TEST(IniRead, FindsTheValueAsTheRecordersReaderDoes) {
  const std::string quotes =
      "[S]\ninner = \"Select \"OK\" for disk format or \"CANCEL\".\"\nsingle = 'a b '\nmixed = \"abc'\n"
      "blank = \"\"\nempty=\ntrail = \"Disable the map \"\nbare name\nlone = \"\n";
  const std::string twice = "[A]\nk=first\nk=second\n[B]\nother=1\n[a]\nk=third\nonly=later\n";
  const std::string comments = "[S]\n;k=commented\n#x=1\nk=v ; not a comment\n";
  struct Case {
    std::string text, section, key, found;
  };
  for (const Case& c : std::initializer_list<Case>{
           // Names match without case after trimming.
           {"  [ Config_Data ]  \r\n  Driving_Impact  =  2 \r\n", "CONFIG_DATA", "DRIVING_IMPACT", "2"},
           {"  [ Config_Data ]  \r\n  Driving_Impact  =  2 \r\n", " config_data ", " driving_impact ", "2"},
           // The first key of the first section of a name wins; later sections are not searched.
           {twice, "A", "k", "first"},
           {twice, "A", "only", "<missing>"},
           {twice, "B", "k", "<missing>"},
           // No comment syntax.
           {comments, "S", ";k", "commented"},
           {comments, "S", "#x", "1"},
           {comments, "S", "k", "v ; not a comment"},
           // One pair of matching quotes is taken off.
           {quotes, "S", "inner", "Select \"OK\" for disk format or \"CANCEL\"."},
           {quotes, "S", "single", "a b "},
           {quotes, "S", "mixed", "\"abc'"},
           {quotes, "S", "blank", ""},
           {quotes, "S", "empty", ""},
           {quotes, "S", "trail", "Disable the map "},
           {quotes, "S", "bare name", "<missing>"},  // no '='
           {quotes, "S", "lone", "\""},
           // Line ends of every kind.
           {"[S]\rk=1\rj=2", "S", "j", "2"},
           {"[S]\r\nk=1\r\nj=2", "S", "j", "2"},
           {"[S]\nk=1\nj=2\n", "S", "k", "1"},
       }) {
    EXPECT_EQ(ini::Find(c.text, c.section, c.key).value_or("<missing>"), c.found)
        << "[" << c.section << "] " << c.key << " in " << c.text;
  }
}

TEST(IniRead, LongValuesAreCut) {
  const std::string text = "[S]\nk=" + std::string(3000, 'x') + "\n";
  EXPECT_EQ(ini::Find(text, "S", "k")->size(), ini::kMaxValueChars);
  // A multi-byte character is never cut in half.
  const std::string wide = "[S]\nk=" + std::string(1021, 'x') + "\xE2\x96\xB6\xE2\x96\xB6\n";
  EXPECT_EQ(ini::Find(wide, "S", "k"), std::string(1021, 'x') + "\xE2\x96\xB6");
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

// Each row: a file's text, the key set and the text after it.
TEST(IniWrite, SetChangesOnlyWhatItMust) {
  struct Case {
    std::string before, section, key, after;
  };
  for (const Case& c : std::initializer_list<Case>{
           // The first key is replaced where it stands, written plainly.
           {"; head\r\n[S]\r\n  K = \"old\" \r\nk=dup\r\n[T]\r\nk=t\r\n", "s", "k",
            "; head\r\n[S]\r\nk=v\r\nk=dup\r\n[T]\r\nk=t\r\n"},
           // A missing key goes after the section's last entry.
           {"[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nc=3\r\n", "S", "k",
            "[S]\r\na=1\r\nb=2\r\nk=v\r\n\r\n[T]\r\nc=3\r\n"},
           {"[S]\r\n\r\n[T]\r\n", "S", "k", "[S]\r\nk=v\r\n\r\n[T]\r\n"},
           {"[S]\r\na=1", "S", "k", "[S]\r\na=1\r\nk=v"},  // no line end after the last line
           // A missing section goes at the end, with the file's line ends.
           {"[S]\na=1\n", "T", "k", "[S]\na=1\n[T]\nk=v\n"},
           {"[S]\r\na=1", "T", "k", "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
           {"", "T", "k", "[T]\r\nk=v\r\n"},
       }) {
    EXPECT_EQ(ini::Set(c.before, c.section, c.key, "v"), c.after) << c.before;
  }
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
  WriteFile(
      path,
      "[STRINGTABLE]\r\nIDS_A = \"\xA2\xBA SD Path\"\r\nIDS_B = \"\xA2\xC2 x\"\r\nIDS_C = \"caf\xE9\"\r\n"
      // Unmappable pairs, one of them the file's last bytes: each byte a
      // '?', and nothing after them lost or read past the file's end.
      "IDS_D = \xA2\xE8x\xFFy\r\nIDS_E = z\xA2\xE8");
  CProfileFile cp949(path, FileCodec::kCp949);
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_A"), "\u25B6 SD Path");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_B"), "\u25C8 x");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_MISSING"), "N/A");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_D"), "??x?y");
  EXPECT_EQ(cp949.ReadString("STRINGTABLE", "IDS_E"), "z??");
  CProfileFile latin(path);
  EXPECT_EQ(latin.ReadString("STRINGTABLE", "IDS_C"), "caf\u00E9");
}

}  // namespace
}  // namespace orvia
