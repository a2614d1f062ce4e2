// The recorder's default settings file, Config/setup.dat, as the program
// carries it: written to a card byte for byte after a format, and by the
// card simulator.
#pragma once

#include <string>
#include <string_view>

namespace orvia {

constexpr int kDefaultSetupDatBytes = 353;

// The 353 bytes of the default setup.dat: section CONFIG_DATA, one key per
// line, every line ended by CR LF.
std::string_view DefaultSetupDat();

// Creates or truncates the file at `path` and writes the default bytes.
// Returns false when the file cannot be created or fully written.
bool WriteDefaultSetupDat(const std::string& path);

}  // namespace orvia
