// An INI engine with the semantics of the classic profile-string functions:
// case-insensitive, blank-trimmed section and key names; the first section of
// a name and the first of duplicate keys win; no comment syntax; values
// trimmed, one pair of matching outer quotes dropped; lines kept verbatim on
// writing. Works on raw 8-bit text; callers convert code pages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvia::ini {

constexpr size_t kMaxValueChars = 1022;    // longer values are cut
constexpr size_t kMaxFileBytes = 4 << 20;  // larger INI files are not read
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// `text` without a leading UTF-8 byte-order mark. Find and Set skip the mark
// on reading; Set keeps it in front of what it writes.
std::string_view WithoutBom(std::string_view text);

// The value of section/key in `text`, or nullopt when missing.
std::optional<std::string> Find(std::string_view text, std::string_view section, std::string_view key);

// `text` with section/key set to value. New keys go after the last entry of
// their section, new sections at the end; line ends follow the file (CR LF
// for a new file).
std::string Set(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value);

// Whole-file helpers (see file_io.h): nullopt for a missing, special,
// unreadable or short-read file.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Writes a file durably; false when it cannot be created (a missing folder,
// say) or the existing file is read-only, with the cause in `error`. Where
// the folder takes no new file (a full card) the file is rewritten in place,
// padded with blanks to its old length.
bool WriteFileBytes(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Read: value or `def` (def "" means "N/A").
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def);
// Write: false when the file cannot be written, or exists but cannot be
// read whole (it is then left as it is). Writing the value already stored
// leaves the file untouched.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error = nullptr);

}  // namespace orvia::ini
