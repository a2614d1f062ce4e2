// Small helpers for printing JSON from the command-line tool.
#pragma once

#include <string>
#include <string_view>

namespace orvia::cli {

// `s` as a JSON string literal (UTF-8 passes through, controls escaped).
std::string JsonString(std::string_view s);

}  // namespace orvia::cli
