#include "app/web_sandbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvia {

bool SwitchOffWebSandboxForRoot() {
  if (geteuid() != 0) return false;
  const char* set = std::getenv("QTWEBENGINE_DISABLE_SANDBOX");
  if (set != nullptr && std::strcmp(set, "1") == 0) return false;
  setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  std::fputs("orvia: running as root: the map's web engine runs without its sandbox.\n", stderr);
  return true;
}

}  // namespace orvia
