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

}  // namespace
}  // namespace orvia
