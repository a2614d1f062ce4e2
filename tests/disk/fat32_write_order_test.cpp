// The order in which the FAT32 writer puts a volume on the card, seen from
// the descriptor: this program stands between the writer and the C
// library's pwrite and flush calls and records them, so a card pulled at
// any flush can be looked at. A program of its own, so that no other test
// runs with these calls taken over.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "disk/fat32_writer.h"
#include "disk/format_logic.h"

namespace {

struct Event {
  bool flush = false;
  uint64_t offset = 0;
  uint64_t size = 0;
};

int g_watched = -1;
std::vector<Event> g_events;
// Sectors 0 and 6 as the card holds them at each flush.
std::vector<std::string> g_bootAtFlush;
std::vector<std::string> g_backupAtFlush;

std::string Sector(int fd, uint64_t sector) {
  std::string bytes(512, '\0');
  const ssize_t n = syscall(SYS_pread64, fd, bytes.data(), bytes.size(), static_cast<off_t>(sector * 512));
  if (n != 512) bytes.clear();
  return bytes;
}

void NoteFlush(int fd) {
  if (fd != g_watched) return;
  g_events.push_back({true, 0, 0});
  g_bootAtFlush.push_back(Sector(fd, 0));
  g_backupAtFlush.push_back(Sector(fd, 6));
}

}  // namespace

extern "C" ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  if (fd == g_watched) g_events.push_back({false, static_cast<uint64_t>(offset), size});
  return syscall(SYS_pwrite64, fd, data, size, offset);
}
extern "C" ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  return pwrite(fd, data, size, offset);
}
extern "C" int fdatasync(int fd) {
  NoteFlush(fd);
  return static_cast<int>(syscall(SYS_fdatasync, fd));
}
extern "C" int fsync(int fd) {
  NoteFlush(fd);
  return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace orvia::format {
namespace {

bool Touches(const Event& e, uint64_t sector) {
  return !e.flush && e.offset < (sector + 1) * 512 && e.offset + e.size > sector * 512;
}

class Fat32WriteOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvia-order-XXXXXX";
    fd_ = mkstemp(path_.data());
    ASSERT_GE(fd_, 0);
    ASSERT_EQ(ftruncate(fd_, off_t(4) << 30), 0);  // sparse
  }
  void TearDown() override {
    g_watched = -1;
    close(fd_);
    unlink(path_.c_str());
  }
  void Watch() {
    g_events.clear();
    g_bootAtFlush.clear();
    g_backupAtFlush.clear();
    g_watched = fd_;
  }
  std::string path_;
  int fd_ = -1;
};

TEST_F(Fat32WriteOrder, TheCardKeepsItsOldBootSectorUntilEverythingElseIsFlushed) {
  Fat32Layout layout;
  ASSERT_TRUE(PlanFat32(uint64_t(4) << 30, &layout));
  std::string error;
  ASSERT_TRUE(WriteFat32(fd_, layout, "OLD", 0, 0x11111111, &error)) << error;
  const std::string oldBoot = Sector(fd_, 0);
  const std::string oldBackup = Sector(fd_, 6);

  Watch();
  ASSERT_TRUE(WriteFat32(fd_, layout, "NEW", 0, 0x22222222, &error)) << error;
  g_watched = -1;
  const std::string newBoot = Sector(fd_, 0);
  ASSERT_NE(newBoot, oldBoot);
  EXPECT_EQ(Sector(fd_, 6), newBoot);

  // Pulled at the first flush: the old boot sector and its backup, over the
  // new FATs and root folder.
  ASSERT_FALSE(g_bootAtFlush.empty());
  EXPECT_EQ(g_bootAtFlush[0], oldBoot);
  EXPECT_EQ(g_backupAtFlush[0], oldBackup);
  size_t first = 0;
  while (!g_events[first].flush) ++first;
  for (size_t i = 0; i < first; ++i) {
    EXPECT_FALSE(Touches(g_events[i], 0)) << "write " << i << " reaches the boot sector before a flush";
    EXPECT_FALSE(Touches(g_events[i], 6)) << "write " << i << " reaches the backup before a flush";
  }
  EXPECT_GT(first, 0u);  // the FATs were written before that flush
  // The boot sector is flushed before its backup is written, and the last
  // call is a flush.
  bool bootFlushed = false;
  bool bootWritten = false;
  for (const Event& e : g_events) {
    if (Touches(e, 0)) bootWritten = true;
    if (e.flush && bootWritten) bootFlushed = true;
    if (Touches(e, 6)) EXPECT_TRUE(bootFlushed) << "the backup is written before the boot sector is flushed";
  }
  EXPECT_TRUE(bootWritten);
  EXPECT_TRUE(g_events.back().flush);
}

TEST_F(Fat32WriteOrder, AVolumeLargerThanTheDeviceIsRefusedBeforeAnyWrite) {
  // Planned for 8 GiB (the size handed in) on a 4 GiB card.
  Fat32Layout layout;
  ASSERT_TRUE(PlanFat32(uint64_t(8) << 30, &layout));
  Watch();
  std::string error;
  EXPECT_FALSE(WriteFat32(fd_, layout, "CARD", 0, 1, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(g_events.empty());
  uint64_t bytes = 0;
  ASSERT_TRUE(DeviceBytes(fd_, &bytes, &error)) << error;
  EXPECT_EQ(bytes, uint64_t(4) << 30);
}

}  // namespace
}  // namespace orvia::format
