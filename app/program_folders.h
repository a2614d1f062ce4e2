// Where the running program finds its player module and where it writes its
// data files, in the build tree and once installed.
//
// Build tree: the module lies beside the executable, and the data files go
// there too when that folder can be written (else to the user's data folder).
// Installed: the executable is in <prefix>/bin and the module in the
// program's library folder (<prefix>/lib/<arch>/orvia), found through the
// relative path compiled in, so an unpacked copy of the tree works as well;
// the data files always go to the user's data folder.
#pragma once

#include <QString>

namespace orvia {

struct ProgramFolders {
  QString moduleFolder;  // holds the player module
  QString dataFolder;    // where start-up writes map.html, the string file, the logos
  bool installed = false;
};

// `installedModuleFolder`: the module's folder relative to the executable's
// folder in an installed tree (e.g. "../lib/x86_64-linux-gnu/orvia").
ProgramFolders FindProgramFolders(const QString& executableFolder, const QString& installedModuleFolder);

// $XDG_DATA_HOME/orvia/, or ~/.local/share/orvia/ when it is not set.
QString UserDataFolder();

}  // namespace orvia
