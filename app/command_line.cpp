#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include "playback/map_tiles.h"

namespace orvia {
namespace {

// Options the Qt application object reads itself, with and without a value.
const QStringList kQtOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme",   "plugin",      "display",      "geometry",
    "style",    "stylesheet",         "qwindowgeometry", "qwindowicon", "qwindowtitle", "session"};
const QStringList kQtFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount", "qmljsdebugger"};

QString OptionName(const QString& arg) {
  QString name = arg.startsWith("--") ? arg.mid(2) : arg.mid(1);
  return name.section('=', 0, 0);
}

// The arguments without the window system's options.
QStringList WithoutQtOptions(const QStringList& arguments) {
  QStringList kept;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (i > 0 && arg.startsWith('-') && arg != "-" && arg != "--") {
      const QString name = OptionName(arg);
      if (kQtFlags.contains(name)) continue;
      if (kQtOptionsWithValue.contains(name)) {
        if (!arg.contains('=')) ++i;  // the value follows
        continue;
      }
    }
    kept << arg;
  }
  return kept;
}

bool ReadInt(const QString& text, int min, int max, int* out) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < min || value > max) return false;
  *out = value;
  return true;
}

}  // namespace

ViewerCommandLine ParseViewerCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Viewer for the recordings of a two-channel vehicle video recorder.\n"
      "PATH may be a card, a copied card folder, a folder holding recordings\n"
      "or .avi recordings: they are listed in time order and the first plays.");
  const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
  const QCommandLineOption card("card", "Open the recordings of a card folder.", "DIR");
  const QCommandLineOption shot("screenshot", "Save a screenshot of the window and quit.", "FILE");
  const QCommandLineOption after("screenshot-after", "Milliseconds before the screenshot (5000).", "MS");
  const QCommandLineOption data("data-folder", "Folder for the data files (default: see README).", "DIR");
  const QCommandLineOption trace("trace-pacing", "Write the pacing of every unit to FILE at exit.", "FILE");
  const QCommandLineOption speed("speed", "Speed slider position once playing: 0 (1/4x) .. 2 (1x) .. 4 (4x).",
                                 "N");
  const QCommandLineOption full("full-screen", "Start in full screen with the front or rear view.",
                                "front|rear");
  const QCommandLineOption quit("quit-after", "Close the window after MS milliseconds.", "MS");
  const QCommandLineOption traceAv(
      "trace-av", "Write the offsets of picture and sound on sync marks to FILE at exit.", "FILE");
  const QCommandLineOption traceStartup(
      "trace-startup", "Write when each step of the start happened (ms from the process's start) to FILE.",
      "FILE");
  const QCommandLineOption at("at",
                              "Carry out a playback command MS milliseconds after the start (repeatable).",
                              "MS:speed=N|seek=S|pause|play");
  const QCommandLineOption ffmpegLog("ffmpeg-log",
                                     "FFmpeg messages on stderr: quiet, fatal (default), error, warning, "
                                     "info, verbose or debug.",
                                     "LEVEL", "fatal");
  const QCommandLineOption mapTiles(
      "map-tiles", "Map tiles for this run: a tile URL with {z}, {x}, {y} or an MBTiles file.",
      "URL_OR_FILE");
  parser.addOptions({help, version, card, shot, after, data, trace, speed, full, quit, traceAv, traceStartup,
                     at, ffmpegLog, mapTiles});
  parser.addPositionalArgument("PATH", "Cards, folders or recordings to open.", "[PATH...]");

  ViewerCommandLine line;
  const QString usage = "Usage: orvia [options] [PATH...]\nTry 'orvia --help' for more information.\n";
  auto fail = [&](const QString& why) {
    line.action = ViewerCommandLine::Action::kUsageError;
    line.output = "orvia: " + why + "\n" + usage;
    return line;
  };
  if (!parser.parse(WithoutQtOptions(arguments))) return fail(parser.errorText());
  if (parser.isSet(help)) {
    line.action = ViewerCommandLine::Action::kHelp;
    QString text = parser.helpText();
    // The help names the program as it is installed, whatever argv[0] was.
    text.replace(QRegularExpression("^Usage: \\S+"), "Usage: orvia");
    line.output = text;
    return line;
  }
  if (parser.isSet(version)) {
    line.action = ViewerCommandLine::Action::kVersion;
    line.output = QStringLiteral("orvia %1\n").arg(QStringLiteral(ORVIA_VERSION_TEXT));
    return line;
  }
  line.card = parser.value(card);
  line.paths = parser.positionalArguments();
  line.screenshot = parser.value(shot);
  line.dataFolder = parser.value(data);
  line.tracePacing = parser.value(trace);
  line.traceAv = parser.value(traceAv);
  line.traceStartup = parser.value(traceStartup);
  line.at = parser.values(at);
  if (parser.isSet(after) && !ReadInt(parser.value(after), 0, 3600000, &line.screenshotAfterMs))
    return fail("--screenshot-after needs a number of milliseconds");
  if (parser.isSet(speed) && !ReadInt(parser.value(speed), 0, 4, &line.speed))
    return fail("--speed needs a position from 0 to 4");
  if (parser.isSet(quit) && !ReadInt(parser.value(quit), 0, 86400000, &line.quitAfterMs))
    return fail("--quit-after needs a number of milliseconds");
  line.ffmpegLog = parser.value(ffmpegLog);
  line.mapTiles = parser.value(mapTiles);
  if (line.mapTiles.contains("{z}") && !MapTemplateUsable(line.mapTiles))
    return fail("--map-tiles needs an http(s) URL with {z}, {x} and {y}, or an MBTiles file");
  if (!line.mapTiles.isEmpty() && !line.mapTiles.contains("{z}") && !QFileInfo(line.mapTiles).isFile())
    return fail("--map-tiles: there is no file " + line.mapTiles);
  if (parser.isSet(full)) {
    line.fullScreen = parser.value(full);
    if (line.fullScreen != "front" && line.fullScreen != "rear")
      return fail("--full-screen takes front or rear");
  }
  return line;
}

}  // namespace orvia
