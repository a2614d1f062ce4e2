// Reading and writing the card's small files: special files never hang a
// reader, read-only and unreadable files are never replaced, writes keep the
// file's mode, text reads back as written, and strict UTF-8 decoding.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/ini_engine.h"
#include "base/ini_file.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileRead, SpecialFilesAreRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir / "setup.dat";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  // Opening a FIFO with no writer would block a plain reader for ever.
  EXPECT_EQ(ReadRegularFile(fifo, 1 << 20).status, ReadStatus::kNotRegular);
  EXPECT_EQ(ini::ReadProfileString(fifo, "S", "k", "d"), "d");
  EXPECT_FALSE(ini::WriteProfileString(fifo, "S", "k", "v"));
  struct stat st {};
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));  // not replaced by a regular file

  EXPECT_EQ(ReadRegularFile(dir.path(), 1 << 20).status, ReadStatus::kNotRegular);
  EXPECT_EQ(ReadRegularFile(dir / "missing", 1 << 20).status, ReadStatus::kMissing);
  WriteFile(dir / "big", std::string(100, 'x'));
  EXPECT_EQ(ReadRegularFile(dir / "big", 99).status, ReadStatus::kTooLarge);
  EXPECT_FALSE(MayReplace(ReadStatus::kUnreadable));
  EXPECT_FALSE(MayReplace(ReadStatus::kShort));
}

TEST(FileWrite, ReadOnlyTargetsFailAndKeepBytesAndMode) {
  TempDir dir;
  const std::string path = dir / "setup.dat";
  WriteFile(path, "[S]\r\nk=1\r\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  // Also as root, who could open the file: the read-only mark is respected.
  EXPECT_FALSE(WriteFileDurably(path, "replaced"));
  EXPECT_FALSE(ini::WriteProfileString(path, "S", "k", "2"));
  EXPECT_EQ(ReadFile(path), "[S]\r\nk=1\r\n");
  EXPECT_EQ(ModeOf(path), 0444u);

  // A writable file is replaced and keeps its own mode, not the umask's.
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  EXPECT_TRUE(ini::WriteProfileString(path, "S", "k", "2"));
  EXPECT_EQ(ReadFile(path), "[S]\r\nk=2\r\n");
  EXPECT_EQ(ModeOf(path), 0600u);

  // No folder is made and no temporary file is left behind.
  EXPECT_FALSE(WriteFileDurably(dir / "gone/setup.dat", "x"));
  EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(FileWrite, ByteOrderMarkIsSkippedOnReadingAndKeptOnWriting) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string text = bom + "[CONFIG_DATA]\r\nSOUND=0\r\n";
  EXPECT_EQ(ini::Find(text, "CONFIG_DATA", "SOUND"), "0");
  const std::string after = ini::Set(text, "CONFIG_DATA", "PIP", "1");
  EXPECT_EQ(after, bom + "[CONFIG_DATA]\r\nSOUND=0\r\nPIP=1\r\n");  // one section, mark kept
  // Only one mark is skipped, the same one on reading and on writing.
  EXPECT_EQ(ini::Find(ini::Set(bom + bom, "S", "K", "v"), "S", "K"), "v");

  TempDir dir;
  WriteFile(dir / "s.ini", text);
  EXPECT_EQ(CProfileFile(dir / "s.ini").ReadString("CONFIG_DATA", "SOUND"), "0");
}

TEST(FileWrite, TextReadsBackAsWrittenInTheFilesEncoding) {
  TempDir dir;
  const CProfileFile card(dir / "setup.dat");
  ASSERT_TRUE(card.WriteString("S", "name", "caf\xC3\xA9"));
  EXPECT_EQ(ReadFile(dir / "setup.dat"), "[S]\r\nname=caf\xE9\r\n");  // one 8-bit byte
  EXPECT_EQ(card.ReadString("S", "name"), "caf\xC3\xA9");
  // A character the 8-bit file cannot hold is refused, the file unchanged.
  EXPECT_FALSE(card.WriteString("S", "name", "\xE6\x97\xA5"));
  EXPECT_EQ(card.ReadString("S", "name"), "caf\xC3\xA9");

  const CProfileFile strings(dir / "strings.ini", FileCodec::kCp949);
  ASSERT_TRUE(strings.WriteString("S", "bullet", "\xE2\x97\x8F"));  // U+25CF, two bytes in CP949
  EXPECT_EQ(strings.ReadString("S", "bullet"), "\xE2\x97\x8F");
  // A character the converter would silently leave out (a tag character) is
  // refused, not lost.
  EXPECT_FALSE(strings.WriteString("S", "bullet", "x\xF3\xA0\x81\x91"));
  EXPECT_EQ(strings.ReadString("S", "bullet"), "\xE2\x97\x8F");
}

TEST(Utf8, InvalidAndOverlongSequencesAreRejected) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9"), u"a\u00E9");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");  // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xF0\x82\x82\xAC"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // cut short
}

}  // namespace
}  // namespace orvia
