// A copy of a card's settings file in the user's data folder, saved before a
// format writes anything, so that the settings survive a format that fails
// half-way. Plain logic, no Qt.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvia::format {

// $XDG_DATA_HOME/orvia when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/orvia; empty when neither is known.
std::string SettingsCopyFolder();

// The file name of a copy: the card's label (UTF-8; ASCII other than
// letters, digits, '-' and '_' as '_'; "card" when empty), the local time `now` as
// YYYYMMDD-HHMMSS, and "setup.dat": "ORVIA-20261208-174500-setup.dat".
std::string SettingsCopyName(std::string_view cardLabel, std::time_t now);

// Writes `settings` whole into SettingsCopyFolder (made when missing) under
// SettingsCopyName, never over an existing file; the path written, or empty
// when it could not be written.
std::string SaveSettingsCopy(std::string_view cardLabel, std::string_view settings, std::time_t now);

}  // namespace orvia::format
