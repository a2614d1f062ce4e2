// The INI engine on any text: reading never faults, and a value written is
// read back as written (for values without outer blanks or quotes, of any
// bytes but line ends, multi-byte UTF-8 included).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/ini_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The first line (up to 64 bytes) names section, key and value: "s|k|v".
  size_t nl = text.find('\n');
  std::string_view head = text.substr(0, std::min<size_t>(nl, 64));
  std::string_view body = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
  size_t a = head.find('|'), b = a == std::string_view::npos ? a : head.find('|', a + 1);
  std::string section = "S", key = "K", value = "v";
  if (b != std::string_view::npos) {
    section = std::string(head.substr(0, a));
    key = std::string(head.substr(a + 1, b - a - 1));
    value = std::string(head.substr(b + 1));
  }
  (void)orvia::ini::Find(body, section, key);
  // Section and key: no characters that end a name. The value may hold any
  // byte but a line end (multi-byte text included), without outer blanks or
  // a pair of outer quotes, which a reader drops.
  auto cleanName = [](const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
      if (c == '\r' || c == '\n' || c == '[' || c == ']' || c == '=' || c == ' ' || c == '\t' || c == '\0')
        return false;
    return true;
  };
  auto cleanValue = [](const std::string& v) {
    if (v.find_first_of("\r\n") != std::string::npos) return false;
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
      return false;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return false;
    return v.size() <= orvia::ini::kMaxValueChars;
  };
  if (!cleanName(section) || !cleanName(key) || !cleanValue(value)) return 0;
  std::string written = orvia::ini::Set(body, section, key, value);
  std::optional<std::string> back = orvia::ini::Find(written, section, key);
  if (!back || *back != value) std::abort();
  // Writing the same value again changes nothing.
  if (orvia::ini::Set(written, section, key, value) != written) std::abort();
  // A byte-order mark in front changes nothing but itself.
  const std::string bom(orvia::ini::kUtf8Bom);
  if (body.substr(0, bom.size()) != bom &&
      orvia::ini::Find(bom + std::string(body), section, key) != orvia::ini::Find(body, section, key))
    std::abort();
  return 0;
}
