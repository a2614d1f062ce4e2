#include "disk/volume_label.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orvia::format {

std::string PrepareLabel(std::string_view text) {
  // Split into characters (UTF-8 sequences); a broken byte counts as one wide
  // character, so that it is cut like one.
  std::vector<std::string_view> chars;
  std::vector<bool> wide;
  for (size_t i = 0; i < text.size() && chars.size() < kLabelChars;) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t len = lead < 0x80             ? 1
                 : (lead & 0xE0) == 0xC0 ? 2
                 : (lead & 0xF0) == 0xE0 ? 3
                 : (lead & 0xF8) == 0xF0 ? 4
                                         : 0;
    bool ok = len != 0 && i + len <= text.size();
    for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<uint8_t>(text[i + k]) & 0xC0) == 0x80;
    if (!ok) len = 1;
    // Above U+00FF: any 3- or 4-byte sequence, and 2-byte ones from 0xC4 on.
    wide.push_back(!ok || len > 2 || (len == 2 && lead >= 0xC4));
    chars.push_back(text.substr(i, len));
    i += len;
  }
  size_t keep = chars.size();
  for (size_t i = 0; i < chars.size(); ++i)
    if (wide[i]) {
      keep = std::min(keep, i + 5);
      break;
    }
  std::string label;
  for (size_t i = 0; i < keep; ++i) label += chars[i];
  return label;
}

bool IsWritableLabel(std::string_view label) {
  if (label.size() > 11) return false;
  for (char c : label) {
    if (c < 0x20 || c > 0x7E || std::strchr("*?.,;:/\\|+=<>[]\"", c) != nullptr) return false;
  }
  return true;
}

std::string LabelForDisk(std::string_view label) {
  std::string upper(label);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  return upper;
}

}  // namespace orvia::format
