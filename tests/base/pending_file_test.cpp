#include "base/pending_file.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

int FilesIn(const std::string& folder) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

// An export stopped by SIGTERM or SIGINT half-way leaves no partial file,
// and the process still ends by that signal.
TEST(PendingFile, RemovedWhenTheProcessIsStoppedBySignal) {
  for (int sig : {SIGTERM, SIGINT}) {
    test::TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemovePendingFilesOnSignals();
      PendingFile file;
      if (!file.Create(dir / "clip.mp4", nullptr)) ::_exit(2);
      if (::write(file.fd(), "half", 4) != 4) ::_exit(3);
      ::raise(sig);
      ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(FilesIn(dir.path()), 0) << "signal " << sig;
  }
}

// Committed files are whole and keep no temporary name; abandoned ones
// vanish; a write names the real cause when the folder is gone.
TEST(PendingFile, CommitRenamesDiscardRemovesAndFailuresSayWhy) {
  test::TempDir dir;
  {
    PendingFile file;
    ASSERT_TRUE(file.Create(dir / "a.gpx", nullptr));
    ASSERT_EQ(::write(file.fd(), "whole", 5), 5);
    std::string error;
    ASSERT_TRUE(file.Commit(&error)) << error;
  }
  {
    PendingFile dropped;
    ASSERT_TRUE(dropped.Create(dir / "b.gpx", nullptr));
  }
  EXPECT_EQ(test::ReadFile(dir / "a.gpx"), "whole");
  EXPECT_EQ(FilesIn(dir.path()), 1);

  std::string why;
  EXPECT_FALSE(WriteFileDurably(dir / "gone/setup.dat", "x", &why));
  EXPECT_NE(why.find("folder does not exist"), std::string::npos) << why;
}

// A pending folder gets its final name only at Commit, never replaces an
// existing one, and a folder given up is gone with the sub-folders and
// files written into it.
TEST(PendingFolder, CommitRenamesWholeFolderAndDiscardRemovesTree) {
  test::TempDir dir;
  const std::string target = dir / "evidence_20261207_083624";
  {
    PendingFolder pack;
    ASSERT_TRUE(pack.Create(target, nullptr));
    test::WriteFile(pack.TempPath() + "/Event/20261207/mdr_20261207_083600.avi", "movie");
    EXPECT_FALSE(std::filesystem::exists(target));
    std::string error;
    ASSERT_TRUE(pack.Commit(&error)) << error;
  }
  EXPECT_EQ(test::ReadFile(target + "/Event/20261207/mdr_20261207_083600.avi"), "movie");
  std::string why;
  PendingFolder again;
  EXPECT_FALSE(again.Create(target, &why));
  EXPECT_EQ(why, "it exists already");
  {
    PendingFolder dropped;
    ASSERT_TRUE(dropped.Create(dir / "evidence_2", nullptr));
    test::WriteFile(dropped.TempPath() + "/Normal/20261207/a.avi", "half");
  }
  // The committed pack alone is left.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Stopped by a signal while filling, the temporary folder and what it holds
// are removed, and the process still ends by that signal.
TEST(PendingFolder, RemovedWhenTheProcessIsStoppedBySignal) {
  test::TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RemovePendingFilesOnSignals();
    PendingFolder pack;
    if (!pack.Create(dir / "evidence", nullptr)) ::_exit(2);
    test::WriteFile(pack.TempPath() + "/Event/20261207/a.avi", "half");
    test::WriteFile(pack.TempPath() + "/SHA256SUMS", "");
    ::raise(SIGTERM);
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

}  // namespace
}  // namespace orvia
