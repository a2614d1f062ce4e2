#include "app/program_folders.h"

#include <QDir>
#include <QFileInfo>

#include "app/orvia_app.h"
#include "player/player_module.h"

namespace orvia {

QString UserDataFolder() {
  const QByteArray xdg = qgetenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is ignored, as the XDG base directory rules ask.
  const QString base = !xdg.isEmpty() && xdg.startsWith('/')
                           ? QString::fromLocal8Bit(xdg)
                           : QString::fromLocal8Bit(qgetenv("HOME")) + "/.local/share";
  return base + "/orvia/";
}

ProgramFolders FindProgramFolders(const QString& executableFolder, const QString& installedModuleFolder) {
  ProgramFolders folders;
  if (QFileInfo::exists(executableFolder + "/" + player::kPlayerModuleFile)) {
    folders.moduleFolder = executableFolder;
    folders.dataFolder = DefaultDataFolder(executableFolder);
    return folders;
  }
  folders.installed = true;
  folders.moduleFolder = QDir::cleanPath(executableFolder + "/" + installedModuleFolder);
  folders.dataFolder = UserDataFolder();
  return folders;
}

}  // namespace orvia
