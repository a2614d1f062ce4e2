#include "base/localized_text.h"

#include <memory>

#include "base/ini_file.h"
#include "base/program_folder.h"

namespace orvia {

extern const unsigned char kEnglishStringFile[];
extern const std::size_t kEnglishStringFile_size;

std::string GetLocalizedText(const char* key) {
  // One reader for the whole process; its path is fixed at the first lookup.
  static const std::unique_ptr<CProfileFile> reader =
      std::make_unique<CProfileFile>(GetProgramFolder() + kStringFileName, FileCodec::kCp949);
  return reader->ReadString("STRINGTABLE", key ? key : "", {});
}

std::string_view EnglishStringFileBytes() {
  return {reinterpret_cast<const char*>(kEnglishStringFile), kEnglishStringFile_size};
}

}  // namespace orvia
