// Reading and writing INI files with the semantics of the classic
// profile-string functions (see ini_engine.h), and the string file reader.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvia {

// How the bytes of an INI file are turned into program text (UTF-8).
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

class CProfileFile {
 public:
  explicit CProfileFile(std::string path, FileCodec codec = FileCodec::kLatin1);
  const std::string& Path() const { return path_; }
  // The value of `key` in `section`, or `def` ("N/A" when def is empty) when
  // the file, the section or the key is missing. UTF-8.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {}) const;
  // Writes key=value into the file (see WriteProfileString), encoded as the
  // reader decodes it; false also when the text has no form in the file's
  // encoding (a character beyond Latin-1 in a settings file).
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;

 private:
  std::string path_;
  FileCodec codec_;
};

// The folder part of a module path: cut after the last backslash, else after
// the last slash; the whole path when it has neither.
std::string ProgramFolderFromModulePath(std::string_view modulePath);

// Folder of the running executable, ending in its separator.
std::string GetProgramFolder();
// Overrides what GetProgramFolder answers (tests, and the start-up fallback to
// the user's data folder). Must be called before the first GetLocalizedText.
void SetProgramFolderForTesting(const std::string& folder);

// Name of the string file inside the program folder.
constexpr const char* kStringFileName = "Orvia_string.ini";

// Text of an IDS_ key from the string file, or "N/A". UTF-8. The reader's path
// is fixed at the first call for the rest of the process.
std::string GetLocalizedText(const char* key);

// The English string file exactly as shipped: code page 949 bytes, CR LF.
std::string_view EnglishStringFileBytes();

}  // namespace orvia
