// The string file's code page both ways on any bytes: decoding gives valid
// UTF-8, and text that encodes decodes back to itself.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/code_page.h"
#include "base/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (orvia::FileCodec codec : {orvia::FileCodec::kCp949, orvia::FileCodec::kLatin1}) {
    const std::string text = orvia::DecodeFileText(bytes, codec);
    if (orvia::Utf16ToUtf8(orvia::Utf8ToUtf16(text)) != text) std::abort();
    const std::optional<std::string> encoded = orvia::EncodeFileText(text, codec);
    if (encoded && orvia::DecodeFileText(*encoded, codec) != text) std::abort();
    // Any UTF-8 text that encodes must decode to itself.
    const std::optional<std::string> direct = orvia::EncodeFileText(bytes, codec);
    if (direct && orvia::DecodeFileText(*direct, codec) != bytes) std::abort();
  }
  return 0;
}
