#include <cstdio>

#include "tools/commands.h"

int orvia::cli::RunMakeCard(int, char**) {
  std::fputs("orvia-cli make-card: not built yet\n", stderr);
  return 1;
}
