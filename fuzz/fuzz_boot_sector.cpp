// The boot-sector reader and the label checks on any bytes: a volume taken
// as valid has sizes that agree with each other, and a label that passes the
// check still passes once made ready for the disk.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "disk/format_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvia::format;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const VolumeInfo v = ParseBootSector(bytes);
  if (v.valid) {
    if (v.bytesPerSector == 0 || v.clusterBytes == 0 || v.clusterBytes % v.bytesPerSector != 0) std::abort();
    if (v.label.size() > 3 * kLabelBytes) std::abort();  // 11 bytes of code page 949 as UTF-8
    (void)SizeTextBefore(v.totalBytes);
    (void)SizeTextAfter(v.totalBytes);
    (void)ClusterText(v.clusterBytes);
  }
  // The label field's text: what follows the sector, or the first bytes.
  const std::string prepared = PrepareLabel(size > 512 ? bytes.substr(512, 64) : bytes.substr(0, 32));
  if (IsWritableLabel(prepared)) {
    const std::string disk = LabelForDisk(prepared);
    if (!IsWritableLabel(disk) || disk.size() > prepared.size()) std::abort();
  }
  return 0;
}
