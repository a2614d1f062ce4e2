// The viewer: start-up, then the main window until it closes.
//
//   orvia [--card DIR] [--screenshot FILE [--screenshot-after MS]]
//         [--trace-pacing FILE] [--speed 0..4] [--quit-after MS]
//         [--ffmpeg-log LEVEL]
//
// --card opens a card folder's play list at start and plays its first row.
// --screenshot saves a picture of the window after the given time (default
// 5000 ms) and closes the program.
// --trace-pacing writes, at exit, when each unit was handed to the players
// against when it was due. --speed sets the speed slider (0 = 1/4x .. 2 = 1x
// .. 4 = 4x) once playback has started. --ffmpeg-log lets FFmpeg's decoder
// messages through again (default: only fatal ones).
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/orvia_app.h"
#include "controls/bit_slider.h"
#include "library/play_list.h"
#include "playback/pacing_trace.h"
#include "player/ffmpeg_log.h"

namespace {

void LoadCard(orvia::COrviaDlg& window, QString card) {
  window.AddUserCard(card);
  if (!card.endsWith('/')) card += '/';
  window.SetCardRoot(card);
  QList<QStringList> rows;
  for (const orvia::PlayListRow& r : orvia::ScanPlayList(card.toStdString(), 0))
    rows.append({QString::fromStdString(r.number), QString::fromStdString(r.date),
                 QString::fromStdString(r.time), QString::fromStdString(r.type),
                 QString::fromStdString(r.path)});
  if (window.Playback())
    window.Playback()->LoadList(rows);
  else
    window.SetRows(rows);
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

}  // namespace

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvia");
  QApplication::setApplicationVersion(ORVIA_VERSION_TEXT);

  QCommandLineParser parser;
  parser.setApplicationDescription("Viewer for the recordings of a two-channel vehicle video recorder.");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption card("card", "Open the recordings of a card folder.", "DIR");
  QCommandLineOption shot("screenshot", "Save a screenshot of the window and quit.", "FILE");
  QCommandLineOption after("screenshot-after", "Milliseconds before the screenshot (5000).", "MS", "5000");
  QCommandLineOption data("data-folder", "Folder for the data files (default: the program folder).", "DIR");
  QCommandLineOption trace("trace-pacing", "Write the pacing of every unit to FILE at exit.", "FILE");
  QCommandLineOption speed("speed", "Speed slider position once playing: 0 (1/4x) .. 2 (1x) .. 4 (4x).", "N");
  QCommandLineOption full("full-screen", "Start in full screen with the front or rear view.", "front|rear");
  QCommandLineOption quit("quit-after", "Close the window after MS milliseconds.", "MS");
  QCommandLineOption ffmpegLog("ffmpeg-log",
                               "FFmpeg messages on stderr: quiet, fatal (default), error, warning, "
                               "info, verbose or debug.",
                               "LEVEL", QString::fromLatin1(orvia::player::kDefaultFfmpegLog.data()));
  parser.addOptions({card, shot, after, data, trace, speed, full, quit, ffmpegLog});
  parser.process(app);
  if (!orvia::player::SetFfmpegLogLevel(parser.value(ffmpegLog).toStdString())) parser.showHelp(2);

  orvia::StartupOptions options;
  options.moduleFolder = QCoreApplication::applicationDirPath();
  options.dataFolder = parser.isSet(data) ? parser.value(data)
                                          : orvia::DefaultDataFolder(QCoreApplication::applicationDirPath());
  orvia::PacingTrace pacing;
  options.runWindow = [&](orvia::COrviaDlg& window) {
    if (parser.isSet(trace) && window.Playback()) window.Playback()->SetPacingTrace(&pacing);
    if (parser.isSet(card)) LoadCard(window, parser.value(card));
    if (parser.isSet(speed) && window.Playback()) {
      const int position = qBound(0, parser.value(speed).toInt(), 4);
      static_cast<CBitSlider*>(window.Control(orvia::kSpeedSlider))->SetPos(position);
      window.Playback()->controller().OnSpeed(position);
    }
    if (parser.isSet(quit)) QTimer::singleShot(parser.value(quit).toInt(), &window, [&] { window.close(); });
    window.show();
    if (parser.isSet(full)) window.EnterFullScreen(parser.value(full) != "rear");
    if (parser.isSet(shot)) {
      QTimer::singleShot(parser.value(after).toInt(), &window, [&] {
        SaveScreenshot(window, parser.value(shot));
        window.close();
      });
    }
    app.exec();
    if (parser.isSet(trace)) {
      if (window.Playback()) window.Playback()->SetPacingTrace(nullptr);
      orvia::WritePacingTrace(pacing, parser.value(trace).toStdString());
    }
  };
  orvia::StartupResult result = orvia::RunStartup(options);
  return result == orvia::StartupResult::kWindowRan ? 0 : 1;
}
