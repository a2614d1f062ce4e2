// The string file of the test process: written once into a private program
// folder before any test runs, since the reader's path is fixed at the first
// lookup.
#pragma once

#include <string>

namespace orvia::test {

// Folder (with its trailing separator) that holds the test process's string file.
const std::string& TestProgramFolder();

}  // namespace orvia::test
