// UTF-8 <-> UTF-16 for the places where the program counts characters the
// way the recorder's platform did (16-bit code units). Invalid UTF-8 bytes
// (overlong forms, surrogates, cut sequences) map to U+FFFD, one per byte.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

std::u16string Utf8ToUtf16(std::string_view in);
std::string Utf16ToUtf8(std::u16string_view in);

}  // namespace orvia
