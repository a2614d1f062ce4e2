// COrviaApp: start-up and shutdown. Writes the data files, loads and
// registers the player module, runs the main window, releases everything.
#pragma once

#include <QString>
#include <functional>

namespace orvia {

class COrviaDlg;

struct StartupOptions {
  QString moduleFolder;  // where the player module lies (the program's own folder)
  QString dataFolder;    // where the data files go; read from there afterwards
  // Runs the main window once it exists and returns when it has closed.
  // Empty: show it and run the event loop.
  std::function<void(COrviaDlg&)> runWindow;
};

// Result of start-up, for the process's exit status and for tests.
enum class StartupResult {
  kWindowRan,        // the main window ran and closed
  kModuleNotLoaded,  // the player module could not be loaded
  kModuleNotRegistered,
  kStringFileFailed,
};

// The steps of start-up in their order. Needs a QApplication.
StartupResult RunStartup(const StartupOptions& options);

// The folder the data files go to: the program folder when it can be written,
// else the user's data folder (XDG_DATA_HOME/orvia, ~/.local/share/orvia).
QString DefaultDataFolder(const QString& programFolder);

}  // namespace orvia
