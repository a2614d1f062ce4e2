// Every caption, tooltip and message is looked up by its IDS_ key in the
// string file of the program folder at the moment of use.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

// Name of the string file inside the program folder.
constexpr const char* kStringFileName = "Orvia_string.ini";

// Text of an IDS_ key from the string file, or "N/A". UTF-8. The reader's path
// is fixed at the first call for the rest of the process.
std::string GetLocalizedText(const char* key);

// The English string file exactly as shipped: code page 949 bytes, CR LF.
std::string_view EnglishStringFileBytes();

}  // namespace orvia
