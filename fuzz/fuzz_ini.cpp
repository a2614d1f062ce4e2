// The INI engine on any text: reading never faults, and a value written is
// read back as written (for values without outer blanks or quotes).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/ini_engine.h"

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
  auto clean = [](const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
      if (c == '\r' || c == '\n' || c == '[' || c == ']' || c == '=' || c == '"' || c == '\'' || c == ' ' ||
          c == '\t' || c == '\0')
        return false;
    return true;
  };
  if (!clean(section) || !clean(key) || !clean(value)) return 0;
  std::string written = orvia::ini::Set(body, section, key, value);
  std::optional<std::string> back = orvia::ini::Find(written, section, key);
  if (!back || *back != value.substr(0, orvia::ini::kMaxValueChars)) std::abort();
  // Writing the same value again changes nothing.
  if (orvia::ini::Set(written, section, key, value) != written) std::abort();
  return 0;
}
