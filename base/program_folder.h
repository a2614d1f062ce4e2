// The program folder: the folder of the running executable, where the data
// files written at start are looked up.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

// The folder part of a module path: cut after the last backslash, else after
// the last slash; the whole path when it has neither.
std::string ProgramFolderFromModulePath(std::string_view modulePath);

// Folder of the running executable, ending in its separator.
std::string GetProgramFolder();
// Overrides what GetProgramFolder answers (tests, and the start-up fallback to
// the user's data folder). Must be called before the first GetLocalizedText.
void SetProgramFolderForTesting(const std::string& folder);

}  // namespace orvia
