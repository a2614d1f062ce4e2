#include "base/process.h"

#include <gtest/gtest.h>

namespace orvia {
namespace {

// The child sees the environment it is given, with a replaced variable
// replaced (not listed twice), and the rest of ours.
TEST(Process, ChildGetsTheMergedEnvironment) {
  ::setenv("ORVIA_PROCESS_TEST_KEEP", "kept", 1);
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  ProcessOptions options;
  options.extraEnv = {"LC_ALL=C", "ORVIA_PROCESS_TEST_NEW=new"};
  const ProcessRun run = RunProcess({"sh", "-c", "env | sort"}, options);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("LC_ALL=C\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("LC_ALL=de_DE"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ORVIA_PROCESS_TEST_KEEP=kept\n"), std::string::npos);
  EXPECT_NE(run.out.find("ORVIA_PROCESS_TEST_NEW=new\n"), std::string::npos);
  // Our own environment is left as it was.
  EXPECT_STREQ(::getenv("LC_ALL"), "de_DE.UTF-8");
  ::unsetenv("LC_ALL");
}

// Output past the limits is read and dropped, so a child that says a lot on
// both streams never blocks on a full pipe; exit codes, signals and a
// missing program are told apart.
TEST(Process, LimitsOutputsWithoutBlockingAndReportsHowTheChildEnded) {
  ProcessOptions options;
  options.outLimit = 10;
  options.errLimit = 5;
  const ProcessRun talk = RunProcess(
      {"sh", "-c", "head -c 3000000 /dev/zero | tr '\\0' a; head -c 3000000 /dev/zero >&2; exit 3"}, options);
  EXPECT_EQ(talk.exitCode, 3);
  EXPECT_EQ(talk.out, "aaaaaaaaaa");
  EXPECT_EQ(talk.err.size(), 5u);

  EXPECT_EQ(RunProcess({"sh", "-c", "kill -TERM $$"}).exitCode, 128 + 15);
  EXPECT_EQ(RunProcess({"orvia-no-such-program-here"}).exitCode, 127);
  // Standard input is /dev/null: a reader ends at once.
  EXPECT_EQ(RunProcess({"sh", "-c", "cat; echo done"}).out, "done\n");
}

}  // namespace
}  // namespace orvia
