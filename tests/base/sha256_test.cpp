// SHA-256: the standard's test vectors, the same digest however the bytes
// are split, files hashed in blocks as sha256sum hashes them, and copies that
// are whole or absent.
#include "base/sha256.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

// Bytes that differ from block to block, so that a block read twice or
// skipped changes the digest.
std::string Pattern(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (char& c : s) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
  return s;
}

std::string Sha256sumOf(const std::string& path) {
  std::string out;
  std::FILE* p = popen(("sha256sum '" + path + "'").c_str(), "r");
  char buf[128];
  if (p && std::fgets(buf, sizeof buf, p)) out.assign(buf, 64);
  if (p) pclose(p);
  return out;
}

TEST(Sha256, StandardVectors) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first block's tail.
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Pieces of every length from 0 to 130 bytes give the digest of the whole.
TEST(Sha256, DigestDoesNotDependOnHowTheBytesArrive) {
  const std::string bytes = Pattern(5000);
  const std::string whole = Sha256Hex(bytes);
  for (size_t piece = 0; piece <= 130; ++piece) {
    Sha256 h;
    for (size_t at = 0; at < bytes.size();) {
      const size_t n = std::min(piece == 0 ? 1 : piece, bytes.size() - at);
      h.Update(bytes.data() + at, n);
      at += n;
      if (piece == 0) h.Update(bytes.data(), 0);  // empty updates change nothing
    }
    ASSERT_EQ(HexDigest(h.Finish()), whole) << "pieces of " << piece;
  }
}

// A file of several read blocks and a partial last one hashes as sha256sum
// says; a folder, a FIFO and a missing file are refused with a reason.
TEST(Sha256, FilesHashAsSha256sumAndSpecialFilesAreRefused) {
  test::TempDir dir;
  const std::string path = dir / "mdr_20261207_083600.avi";
  test::WriteFile(path, Pattern(2 * kHashBlockBytes + 333));
  uint64_t lastProgress = 0;
  const FileDigest d = Sha256OfFile(path, [&](uint64_t done) { return (lastProgress = done), true; });
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.hex, Sha256sumOf(path));
  EXPECT_EQ(d.size, 2 * kHashBlockBytes + 333);
  EXPECT_EQ(lastProgress, d.size);
  EXPECT_FALSE(Sha256OfFile(path, [](uint64_t) { return false; }).ok);

  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_EQ(Sha256OfFile(dir / "fifo").error, "not a regular file");
  EXPECT_EQ(Sha256OfFile(dir.path()).error, "not a regular file");
  EXPECT_EQ(Sha256OfFile(dir / "missing").error, "no such file");
}

// A copy holds the source's bytes under its name; a copy whose source
// cannot be read or whose receiver stops leaves neither target nor
// temporary file.
TEST(FileCopy, WholeOrNothing) {
  test::TempDir dir;
  const std::string bytes = Pattern(kHashBlockBytes + 7);
  test::WriteFile(dir / "in/a.avi", bytes);
  std::filesystem::create_directories(dir / "out");
  Sha256 seen;
  std::string error;
  ASSERT_TRUE(CopyFileDurably(
      dir / "in/a.avi", dir / "out/a.avi",
      [&](std::string_view b) { return seen.Update(b.data(), b.size()), true; }, &error))
      << error;
  EXPECT_EQ(test::ReadFile(dir / "out/a.avi"), bytes);
  EXPECT_EQ(HexDigest(seen.Finish()), Sha256Hex(bytes));

  EXPECT_FALSE(CopyFileDurably(dir / "in/gone.avi", dir / "out/b.avi", {}, &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
  EXPECT_FALSE(CopyFileDurably(
      dir / "in/a.avi", dir / "out/c.avi", [](std::string_view) { return false; }, &error));
  // a.avi alone: no copy, no temporary file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 1);
}

}  // namespace
}  // namespace orvia
