// What the disk service's refusals tell the user, and where mkfs.fat is found
// for a user whose PATH lacks the sbin folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "disk/format_targets.h"

namespace orvia::format {
namespace {

TEST(ServiceRefusals, EachKindGetsItsOwnReasonLine) {
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.NotAuthorizedDismissed"),
            FormatError::kNotAuthorized);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.DeviceBusy"), FormatError::kBusy);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.DBus.Error.UnknownObject"), FormatError::kRemoved);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.DBus.Error.ServiceUnknown"), FormatError::kNoService);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.Failed"), FormatError::kServiceFailed);

  FormatResult busy;
  busy.error = FormatError::kBusy;
  busy.detail = "Error unmounting /dev/sdb1: target is busy\nmore\n";
  EXPECT_EQ(ReasonLine(busy),
            "The card is in use: close the programs that use it and try again. "
            "(Error unmounting /dev/sdb1: target is busy)");
  FormatResult failed;
  failed.error = FormatError::kServiceFailed;
  failed.detail = "Error wiping device";
  EXPECT_EQ(ReasonLine(failed), "Error wiping device");
  FormatResult small;
  small.error = FormatError::kTooSmall;
  EXPECT_NE(ReasonLine(small).find("2.1 GB"), std::string::npos);
  EXPECT_EQ(ReasonLine(FormatResult{}), "");
}

TEST(ServiceRefusals, LabelsAreCheckedAsFatTakesThem) {
  EXPECT_EQ(LabelProblem("CARD 01"), "");
  EXPECT_EQ(LabelProblem("card"), "");  // raised to upper case when written
  EXPECT_NE(LabelProblem("A*B"), "");
  EXPECT_EQ(LabelProblem("\xED\x95\x9C\xEA\xB8\x80"), "");  // Korean: code page 949
  EXPECT_NE(LabelProblem("\xF0\x9F\x98\x80"), "");          // no code page 949 form
}

TEST(ServiceRefusals, MkfsFatIsFoundInTheSbinFoldersOffThePath) {
  if (access("/usr/sbin/mkfs.fat", X_OK) != 0 && access("/sbin/mkfs.fat", X_OK) != 0)
    FAIL() << "no mkfs.fat in the sbin folders (script/bootstrap installs dosfstools)";
  const char* was = std::getenv("PATH");
  const std::string saved = was ? was : "";
  setenv("PATH", "/usr/bin:/bin", 1);
  const std::string found = FindSbinProgram("mkfs.fat");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_TRUE(found == "/usr/sbin/mkfs.fat" || found == "/sbin/mkfs.fat") << found;
  EXPECT_EQ(FindSbinProgram("./mkfs.fat"), "./mkfs.fat");
}

}  // namespace
}  // namespace orvia::format
