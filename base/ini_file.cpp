#include "base/ini_file.h"

#include <optional>

#include "base/ini_engine.h"

namespace orvia {

CProfileFile::CProfileFile(std::string path, FileCodec codec) : path_(std::move(path)), codec_(codec) {}

std::string CProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view def) const {
  std::string fallback = def.empty() ? std::string("N/A") : std::string(def);
  std::optional<std::string> bytes = ini::ReadFileBytes(path_);
  if (!bytes) return fallback;
  const std::string_view body = ini::WithoutBom(*bytes);
  std::string text = DecodeFileText(body, codec_);
  std::optional<std::string> v = ini::Find(text, section, key);
  return v ? *v : fallback;
}

bool CProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                               std::string* error) const {
  // The file's bytes are in the file's encoding both ways: what is written
  // here reads back as the same text.
  auto encode = [this](std::string_view text) { return EncodeFileText(text, codec_); };
  const std::optional<std::string> s = encode(section), k = encode(key), v = encode(value);
  if (!s || !k || !v) {
    if (error) *error = "a character the file's 8-bit encoding cannot hold";
    return false;
  }
  return ini::WriteProfileString(path_, *s, *k, *v, error);
}

}  // namespace orvia
