// The mount-table parser on any text: every entry it keeps has an absolute
// mount point, decoding never lengthens a field, and a field without a
// backslash comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/mount_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const orvia::MountEntry& m : orvia::ParseMountInfo(text)) {
    if (m.mountPoint.empty() || m.mountPoint[0] != '/') std::abort();
    if (m.mountPoint.size() > size || m.source.size() > size || m.fsType.size() > size) std::abort();
  }
  const std::string field = orvia::UnescapeMountField(text);
  if (field.size() > text.size()) std::abort();
  if (text.find('\\') == std::string_view::npos && field != text) std::abort();
  return 0;
}
