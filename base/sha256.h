// SHA-256 (FIPS 180-4) of bytes and of files, for the sums that let anyone
// check an evidence pack with the system's own sha256sum. Files are read in
// blocks of a fixed size, so a 100 MB recording never sits in memory whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvia {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  // The digest of everything given; the object then starts over.
  std::array<uint8_t, 32> Finish();

 private:
  void Block(const uint8_t* block);

  uint32_t state_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t total_ = 0;  // bytes given since the start
};

// The 64 lower-case hexadecimal digits sha256sum prints.
std::string HexDigest(const std::array<uint8_t, 32>& digest);
std::string Sha256Hex(std::string_view bytes);

struct FileDigest {
  bool ok = false;
  std::string hex;    // when ok
  uint64_t size = 0;  // the bytes hashed
  std::string error;  // what went wrong, for messages
};

// The bytes read per step of a file's hash or copy.
constexpr size_t kHashBlockBytes = size_t{1} << 20;

// Hashes the regular file at `path`: exactly as many bytes as it held when
// it was opened, in blocks of kHashBlockBytes. A folder, FIFO or device is
// refused without a read; a file that ends early is an error. `progress`
// (when given) gets the bytes done so far after each block and may return
// false to stop.
FileDigest Sha256OfFile(const std::string& path, const std::function<bool(uint64_t)>& progress = {});

}  // namespace orvia
