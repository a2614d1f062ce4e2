// The sums of an evidence pack and its check: lines that sha256sum itself
// accepts, lines that would reach outside the pack refused, and each kind
// of damage to a pack named with its file.
#include "output/evidence_files.h"

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "base/sha256.h"
#include "tests/support/avi_builder.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

int Shell(const std::string& command) { return std::system(command.c_str()); }

// A small recording that OpenRecording reads: one second, one picture.
std::string Recording(uint32_t time) {
  test::AviBuilder b;
  b.Motion(512, 512, 768, time);
  b.Video(0, test::Unit({7, 8, 5}));
  b.Sound(640);
  return b.Build();
}

// The lines SumsLine writes are the lines sha256sum writes, escapes of
// awkward names included: `sha256sum -c` accepts them and ParseSumsLine
// reads them back.
TEST(EvidenceSums, LinesAreSha256sumsOwn) {
  test::TempDir dir;
  const std::vector<std::string> names = {"Event/20261207/mdr_20261207_083600.avi", "back\\slash.txt",
                                          "line\nfeed.txt", "two  spaces.txt"};
  std::string sums;
  for (const std::string& n : names) {
    test::WriteFile(dir / n, "bytes of " + n);
    const SumsEntry e{Sha256Hex("bytes of " + n), n};
    sums += SumsLine(e);
    SumsEntry back;
    ASSERT_TRUE(ParseSumsLine(SumsLine(e).substr(0, SumsLine(e).size() - 1), back)) << n;
    EXPECT_EQ(back.path, n);
    EXPECT_EQ(back.hex, e.hex);
  }
  test::WriteFile(dir / "SHA256SUMS", sums);
  EXPECT_EQ(Shell("cd '" + dir.path() + "' && sha256sum --quiet --strict -c SHA256SUMS"), 0) << sums;

  const std::string hex(64, 'a');
  SumsEntry e;
  EXPECT_TRUE(ParseSumsLine(hex + " *binary.avi", e));
  for (const std::string& bad :
       {hex + "  ../outside", hex + "  /etc/passwd", hex + "  a/../../b", hex + " one",
        hex.substr(1) + "  short.avi", hex + "  ", "\\" + hex + "  bad\\escape"})
    EXPECT_FALSE(ParseSumsLine(bad, e)) << bad;
}

// Every kind of damage is named with its file: a changed byte, a file gone,
// a file added, an original whose bytes match a list that was rewritten
// but that no longer reads as a recording, a line that is not a sum, and a
// pack without its list.
TEST(EvidenceSums, VerifyNamesEachDamagedFile) {
  test::TempDir dir;
  const std::string pack = dir / "evidence_20261207_083624";
  const std::map<std::string, std::string> files = {
      {"Event/20261207/mdr_20261207_083600.avi", Recording(1796632560)},
      {"Normal/20261207/mdr_20261207_083500.avi", Recording(1796632500)},
      {"Config/setup.dat", "[CONFIG_DATA]\r\n"},
      {"report.pdf", "%PDF-1.4"}};
  std::string sums;
  for (const auto& [name, bytes] : files) {
    test::WriteFile(pack + "/" + name, bytes);
    sums += SumsLine({Sha256Hex(bytes), name});
  }
  test::WriteFile(pack + "/SHA256SUMS", sums);
  PackCheck check = VerifyEvidencePack(pack);
  EXPECT_TRUE(check.whole);
  EXPECT_EQ(check.filesChecked, 4u);

  std::string changed = Recording(1796632560);
  changed[changed.size() / 2] ^= 1;
  test::WriteFile(pack + "/Event/20261207/mdr_20261207_083600.avi", changed);
  std::filesystem::remove(pack + "/report.pdf");
  test::WriteFile(pack + "/extra.txt", "added later");
  // An original replaced by other bytes, its line rewritten to match.
  test::WriteFile(pack + "/Normal/20261207/mdr_20261207_083500.avi", "not a recording");
  sums.replace(sums.find(Sha256Hex(Recording(1796632500))), 64, Sha256Hex("not a recording"));
  test::WriteFile(pack + "/SHA256SUMS", sums + "garbage\n");
  check = VerifyEvidencePack(pack);
  EXPECT_FALSE(check.whole);
  std::map<std::string, PackProblem> found;
  for (const PackFinding& f : check.findings) found[f.path] = f.problem;
  const std::map<std::string, PackProblem> expected = {
      {"Event/20261207/mdr_20261207_083600.avi", PackProblem::kDiffers},
      {"Normal/20261207/mdr_20261207_083500.avi", PackProblem::kNotRecording},
      {"report.pdf", PackProblem::kMissing},
      {"extra.txt", PackProblem::kUnlisted},
      {"line 5", PackProblem::kBadLine}};
  EXPECT_EQ(found, expected);

  std::filesystem::remove(pack + "/SHA256SUMS");
  check = VerifyEvidencePack(pack);
  ASSERT_EQ(check.findings.size(), 1u);
  EXPECT_EQ(check.findings[0].problem, PackProblem::kNoSums);
}

}  // namespace
}  // namespace orvia
