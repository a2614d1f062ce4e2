// (being written)
#include "tools/commands.h"
int orvia::cli::RunIndex(int, char**) { return 1; }
int orvia::cli::RunScan(int, char**) { return 1; }
int orvia::cli::RunProfile(int, char**) { return 1; }
int orvia::cli::RunBenchIndex(int, char**) { return 1; }
