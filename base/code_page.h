// How the bytes of the program's 8-bit files are turned into program text
// (UTF-8) and back: Latin-1 for the settings files on the card, code page 949
// for the string file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvia {

enum class FileCodec {
  kLatin1,  // 8-bit bytes taken as they are (settings files on the card: ASCII)
  kCp949,   // the string file: ASCII plus two double-byte bullets
};

// A file's bytes as program text (UTF-8); bytes that do not convert become
// '?' (code page 949) or are taken as Latin-1.
std::string DecodeFileText(std::string_view bytes, FileCodec codec);
// Program text as the file's bytes; nullopt for invalid UTF-8 or a
// character the encoding has no form for.
std::optional<std::string> EncodeFileText(std::string_view utf8, FileCodec codec);

}  // namespace orvia
