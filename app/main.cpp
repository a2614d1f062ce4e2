// The viewer: start-up, then the main window until it closes.
//
//   orvia [--card DIR] [--screenshot FILE [--screenshot-after MS]]
//         [--trace-pacing FILE] [--speed 0..4] [--quit-after MS] [PATH...]
//         [--trace-av FILE] [--at MS:COMMAND]... [--ffmpeg-log LEVEL]
//         [--trace-startup FILE] [--map-tiles URL_OR_FILE]
//
// PATH...: cards, copied card folders, folders of recordings or .avi files;
// they fill the list in time order and the first plays (see OpenPaths).
// --card opens a card folder's play list at start and plays its first row.
// --screenshot saves a picture of the window after the given time (default
// 5000 ms) and closes the program.
// --trace-pacing writes, at exit, when each unit was handed to the players
// against when it was due. --speed sets the speed slider (0 = 1/4x .. 2 = 1x
// .. 4 = 4x) once playback has started.
// --trace-av writes, at exit, the offsets between picture and sound measured
// on sync marks (app/av_trace.h); --at MS:COMMAND seeks or changes speed
// during such a run (app/timed_commands.h). --ffmpeg-log lets FFmpeg's
// decoder messages through again (default: only fatal ones).
// --trace-startup writes when each step of the start happened, in ms from
// the process's start (app/startup_trace.h).
// --map-tiles takes the map's tiles from a tile URL or an MBTiles file for
// this run instead of the stored choice (app/map_settings.h).
#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/map_settings.h"
#include "app/orvia_app.h"
#include "app/program_folders.h"
#include "app/startup_trace.h"
#include "app/timed_commands.h"
#include "app/web_sandbox.h"
#include "base/localized_text.h"
#include "base/pending_file.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "controls/message_box.h"
#include "library/play_list.h"
#include "playback/av_trace.h"
#include "playback/map_tiles.h"
#include "playback/pacing_trace.h"
#include "player/embedded_player.h"
#include "player/ffmpeg_log.h"

namespace {

void LoadCard(orvia::COrviaDlg& window, QString card) {
  window.AddUserCard(card);
  window.RememberSource(card);
  if (!card.endsWith('/')) card += '/';
  window.SetCardRoot(card);
  const QList<QStringList> rows = orvia::ListRowTexts(orvia::ScanPlayList(card.toStdString(), 0));
  if (window.Playback())
    window.Playback()->LoadList(rows);
  else
    window.SetRows(rows);
}

// Started with nothing to open: the card or folder of last time, when it is
// still there, is offered.
void OfferRememberedSource(orvia::COrviaDlg& window) {
  const QString last = window.RememberedSource();
  if (last.isEmpty() || !QFileInfo::exists(last)) return;
  const QString text = QString::fromStdString(orvia::GetLocalizedText("IDS_CAPTION_OPEN_LAST_SOURCE"));
  if (orvia::ShowLocalizedMessageBox(text + "\n" + last, QMessageBox::Yes | QMessageBox::No) ==
      QMessageBox::Yes)
    window.OpenPaths({last});
}

void SaveScreenshot(QWidget& window, const QString& path) {
  QPixmap shot;
  // From the display when there is one: it holds what the user sees,
  // including the map page's and the players' own surfaces.
  if (QScreen* s = window.screen(); s && QGuiApplication::platformName() != "offscreen")
    shot = s->grabWindow(window.winId());
  if (shot.isNull()) shot = window.grab();
  shot.save(path);
}

// What the command line settles without a window: --help, --version, a
// wrong option, a card folder that is not there (named rather than opened as
// an empty list), a wrong FFmpeg log level. The exit code, or -1 to go on.
int ExitBeforeTheWindow(const orvia::ViewerCommandLine& line) {
  switch (line.action) {
    case orvia::ViewerCommandLine::Action::kHelp:
    case orvia::ViewerCommandLine::Action::kVersion:
      std::fputs(line.output.toLocal8Bit().constData(), stdout);
      return 0;
    case orvia::ViewerCommandLine::Action::kUsageError:
      std::fputs(line.output.toLocal8Bit().constData(), stderr);
      return orvia::kUsageExitCode;
    case orvia::ViewerCommandLine::Action::kRun:
      break;
  }
  // A card folder that is not there is named, rather than opened as an
  // empty list.
  if (!line.card.isEmpty() && !QFileInfo(line.card).isDir()) {
    std::fprintf(stderr, "orvia: --card: there is no folder %s\n", line.card.toLocal8Bit().constData());
    return orvia::kUsageExitCode;
  }
  if (!orvia::player::SetFfmpegLogLevel(line.ffmpegLog.toStdString())) {
    std::fputs("orvia: --ffmpeg-log takes quiet, fatal, error, warning, info, verbose or debug\n", stderr);
    return orvia::kUsageExitCode;
  }
  return -1;
}

// Paths open once the window is up, so that a message about them has the
// window as its owner. With none, a card in the reader opens by itself;
// otherwise the last source is offered (only to someone who can answer).
void OpenWhatWasAsked(orvia::COrviaDlg& window, const orvia::ViewerCommandLine& line) {
  if (!line.paths.isEmpty()) window.OpenPaths(line.paths);
  if (!line.paths.isEmpty() || !line.card.isEmpty()) return;
  const bool interactive = line.screenshot.isEmpty() && line.quitAfterMs < 0;
  if (!window.OpenCardsAtStart(interactive) && interactive) OfferRememberedSource(window);
}

}  // namespace

int main(int argc, char** argv) {
  // A write or export stopped by Ctrl+C or a kill leaves no half file behind.
  orvia::RemovePendingFilesOnSignals();
  // The command line is read before the window system is touched: --help,
  // --version and a wrong option need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const orvia::ViewerCommandLine line = orvia::ParseViewerCommandLine(arguments);
  if (const int exitCode = ExitBeforeTheWindow(line); exitCode >= 0) return exitCode;
  std::unique_ptr<orvia::StartupTrace> startup;
  if (!line.traceStartup.isEmpty()) startup = std::make_unique<orvia::StartupTrace>(line.traceStartup);

  orvia::SwitchOffWebSandboxForRoot();
  orvia::RegisterMapTileScheme();  // the web engine wants its schemes before the application
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvia");
  QApplication::setApplicationVersion(ORVIA_VERSION_TEXT);
  QGuiApplication::setDesktopFileName(ORVIA_APP_ID);

  const orvia::ProgramFolders folders =
      orvia::FindProgramFolders(QCoreApplication::applicationDirPath(), ORVIA_INSTALLED_MODULE_FOLDER);
  orvia::StartupOptions options;
  options.moduleFolder = folders.moduleFolder;
  options.dataFolder = line.dataFolder.isEmpty() ? folders.dataFolder : line.dataFolder;
  orvia::PacingTrace pacing;
  orvia::AvTrace av;
  options.runWindow = [&](orvia::COrviaDlg& window) {
    window.SetRemembering(true);
    QString mapError;
    if (!orvia::UseMapSource(orvia::WithMapTilesOverride(orvia::LoadMapSource(), line.mapTiles), &mapError))
      std::fprintf(stderr, "orvia: map: %s\n", mapError.toLocal8Bit().constData());
    if (startup) startup->Watch(window);
    if (!line.tracePacing.isEmpty() && window.Playback()) window.Playback()->SetPacingTrace(&pacing);
    const bool tracingAv = !line.traceAv.isEmpty() && window.Playback();
    if (tracingAv) {
      window.FrontPlayer()->SetAvTrace(&av);
      window.RearPlayer()->SetAvTrace(&av);
    }
    if (!line.card.isEmpty()) LoadCard(window, line.card);
    if (line.speed >= 0 && window.Playback()) {
      static_cast<CBitSlider*>(window.Control(orvia::kSpeedSlider))->SetPos(line.speed);
      window.Playback()->controller().OnSpeed(line.speed);
    }
    if (!orvia::ScheduleTimedCommands(window, line.at)) {
      qWarning("orvia: cannot read --at %s", qPrintable(line.at.join(' ')));
      return;
    }
    if (line.quitAfterMs >= 0) QTimer::singleShot(line.quitAfterMs, &window, [&] { window.close(); });
    window.show();
    OpenWhatWasAsked(window, line);
    if (startup && window.RecordingList()->topLevelItemCount() > 0)
      startup->Mark(QStringLiteral("list filled"));
    if (!line.fullScreen.isEmpty()) window.EnterFullScreen(line.fullScreen != "rear");
    if (!line.screenshot.isEmpty()) {
      QTimer::singleShot(line.screenshotAfterMs, &window, [&] {
        SaveScreenshot(window, line.screenshot);
        window.close();
      });
    }
    app.exec();
    if (!line.tracePacing.isEmpty()) {
      if (window.Playback()) window.Playback()->SetPacingTrace(nullptr);
      orvia::WritePacingTrace(pacing, line.tracePacing.toStdString());
    }
    if (tracingAv) {
      for (orvia::player::EmbeddedPlayer* p : {window.FrontPlayer(), window.RearPlayer()})
        p->SetAvTrace(nullptr);
      orvia::WriteAvTrace(av, line.traceAv.toStdString());
    }
  };
  orvia::StartupResult result = orvia::RunStartup(options);
  return result == orvia::StartupResult::kWindowRan ? 0 : 1;
}
