#include <cstdio>

#include "tools/commands.h"

int orvia::cli::RunBenchDecode(int, char**) {
  std::fputs("orvia-cli bench decode: not built yet\n", stderr);
  return 1;
}
