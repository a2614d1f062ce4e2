// Small helpers for the program's own paths.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

// Creates every folder along `path` (at each '/' or '\\' that does not follow
// a ':'); the last component only when the path ends in a separator.
// Existing folders are not an error. Paths longer than 259 characters are cut.
void CreatePathDirectories(std::string_view path);

// The program's cache folder: $XDG_CACHE_HOME/orvia, else ~/.cache/orvia;
// empty when neither is an absolute path. Not created here.
std::string UserCacheFolder();

// Deletes every ':' from the text.
void RemoveColons(std::string& text);

}  // namespace orvia
