// An INI file read and written with the semantics of the classic
// profile-string functions (see ini_engine.h), in the file's own 8-bit
// encoding (see code_page.h).
#pragma once

#include <string>
#include <string_view>

#include "base/code_page.h"

namespace orvia {

class CProfileFile {
 public:
  explicit CProfileFile(std::string path, FileCodec codec = FileCodec::kLatin1);
  const std::string& Path() const { return path_; }
  // The value of `key` in `section`, or `def` ("N/A" when def is empty) when
  // the file, the section or the key is missing. UTF-8.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def = {}) const;
  // Writes key=value into the file (see WriteProfileString), encoded as the
  // reader decodes it; false also when the text has no form in the file's
  // encoding (a character beyond Latin-1 in a settings file). `error`, when
  // given, names the cause of a failure.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string* error = nullptr) const;

 private:
  std::string path_;
  FileCodec codec_;
};

}  // namespace orvia
