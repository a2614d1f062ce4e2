#include "disk/volume_label.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/code_page.h"

namespace orvia::format {
namespace {

// ASCII characters FAT allows in no name, the label included.
constexpr const char* kForbidden = "*?.,;:/\\|+=<>[]\"";

}  // namespace

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

std::optional<std::string> LabelBytes(std::string_view label) {
  for (const char c : label) {
    const auto byte = static_cast<uint8_t>(c);
    // Bytes of wide characters: their code page form decides. (In UTF-8 no
    // such byte lies below 0x80, though a code page 949 trail byte may.)
    if (byte >= 0x80) continue;
    if (byte < 0x20 || byte == 0x7F || std::strchr(kForbidden, c) != nullptr) return std::nullopt;
  }
  std::optional<std::string> bytes = EncodeFileText(label, FileCodec::kCp949);
  if (!bytes || bytes->size() > kLabelBytes) return std::nullopt;
  return bytes;
}

bool IsWritableLabel(std::string_view label) { return LabelBytes(LabelForDisk(label)).has_value(); }

bool IsAsciiLabel(std::string_view label) {
  return std::all_of(label.begin(), label.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

std::string LabelText(std::string_view field) {
  std::string bytes(field.substr(0, kLabelBytes));
  while (!bytes.empty() && (bytes.back() == ' ' || bytes.back() == '\0')) bytes.pop_back();
  return DecodeFileText(bytes, FileCodec::kCp949);
}

std::string LabelForDisk(std::string_view label) {
  std::string upper(label);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  return upper;
}

}  // namespace orvia::format
