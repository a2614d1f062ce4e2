// The viewer's command line, read before any window system is touched, so
// that --help, --version and a wrong option work without a display.
//
//   orvia [OPTIONS] [PATH...]
//
// PATH: a card, a copied card folder, a folder holding recordings, or .avi
// recordings; they fill the list and the first one plays.
#pragma once

#include <QString>
#include <QStringList>

namespace orvia {

struct ViewerCommandLine {
  enum class Action {
    kRun,         // start the viewer
    kHelp,        // print `output` to standard output, exit 0
    kVersion,     // print `output` to standard output, exit 0
    kUsageError,  // print `output` to standard error, exit 2
  };
  Action action = Action::kRun;
  QString output;

  QString card;        // --card DIR
  QStringList paths;   // PATH... (as given)
  QString screenshot;  // --screenshot FILE
  int screenshotAfterMs = 5000;
  QString dataFolder;                           // --data-folder DIR; empty: the default
  QString tracePacing;                          // --trace-pacing FILE
  int speed = -1;                               // --speed 0..4; -1 when not given
  QString fullScreen;                           // --full-screen front|rear; empty when not given
  int quitAfterMs = -1;                         // --quit-after MS; -1 when not given
  QString traceAv;                              // --trace-av FILE
  QString traceStartup;                         // --trace-startup FILE
  QStringList at;                               // --at MS:COMMAND, in order (app/timed_commands.h)
  QString ffmpegLog = QStringLiteral("fatal");  // --ffmpeg-log LEVEL (see player/ffmpeg_log.h)
  QString mapTiles;                             // --map-tiles URL_OR_FILE (app/map_settings.h)
};

// Exit status of a wrong command line.
constexpr int kUsageExitCode = 2;

// Reads the arguments (the program name first). Options of the window
// system that Qt itself takes (-platform NAME, -display NAME, -style NAME,
// -reverse, ...) are passed over. Needs no application object.
ViewerCommandLine ParseViewerCommandLine(const QStringList& arguments);

}  // namespace orvia
