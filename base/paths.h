// Small helpers for the program's own paths.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

// Creates every folder along `path` (at each '/' or '\\' that does not follow
// a ':'); the last component only when the path ends in a separator.
// Existing folders are not an error. Paths longer than 259 characters are cut.
void CreatePathDirectories(std::string_view path);

// The program's folder of one XDG kind: $<variable>/orvia, else
// $HOME/<underHome>/orvia (".local/share", ".cache"); empty when neither is
// an absolute path (a relative XDG variable is ignored, as the XDG rules
// ask). Not created here.
std::string XdgUserFolder(const char* variable, const char* underHome);
// XdgUserFolder("XDG_CACHE_HOME", ".cache").
std::string UserCacheFolder();

// Deletes every ':' from the text.
void RemoveColons(std::string& text);

}  // namespace orvia
