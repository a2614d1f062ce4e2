// The map's web engine refuses to start as root with its sandbox on; a
// viewer started with sudo would die at once.
#pragma once

namespace orvia {

// When the effective user is root and the sandbox is not already switched
// off, sets the web engine's documented switch (QTWEBENGINE_DISABLE_SANDBOX=1)
// and says so on stderr once. Call before the application object exists.
// Returns true when it switched the sandbox off.
bool SwitchOffWebSandboxForRoot();

}  // namespace orvia
