// The viewer: start-up, then the main window until it closes.
//
//   orvia [--card DIR] [--screenshot FILE [--screenshot-after MS]]
//         [--trace-pacing FILE] [--speed 0..4] [--quit-after MS]
//         [--trace-av FILE] [--at MS:COMMAND]...
//
// --card opens a card folder's play list at start and plays its first row.
// --screenshot saves a picture of the window after the given time (default
// 5000 ms) and closes the program.
// --trace-pacing writes, at exit, when each unit was handed to the players
// against when it was due. --speed sets the speed slider (0 = 1/4x .. 2 = 1x
// .. 4 = 4x) once playback has started.
// --trace-av writes, at exit, the offsets between picture and sound measured
// on sync marks (app/av_trace.h); --at MS:COMMAND seeks or changes speed
// during such a run (app/timed_commands.h).
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/av_trace.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/orvia_app.h"
#include "app/timed_commands.h"
#include "controls/bit_slider.h"
#include "library/play_list.h"
#include "playback/pacing_trace.h"
#include "player/embedded_player.h"

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
  QCommandLineOption traceAv("trace-av",
                             "Write the offsets of picture and sound on sync marks to FILE at exit.", "FILE");
  QCommandLineOption at("at", "Carry out a playback command MS milliseconds after the start (repeatable).",
                        "MS:speed=N|seek=S|pause|play");
  parser.addOptions({card, shot, after, data, trace, speed, full, quit, traceAv, at});
  parser.process(app);

  orvia::StartupOptions options;
  options.moduleFolder = QCoreApplication::applicationDirPath();
  options.dataFolder = parser.isSet(data) ? parser.value(data)
                                          : orvia::DefaultDataFolder(QCoreApplication::applicationDirPath());
  orvia::PacingTrace pacing;
  orvia::AvTrace av;
  options.runWindow = [&](orvia::COrviaDlg& window) {
    if (parser.isSet(trace) && window.Playback()) window.Playback()->SetPacingTrace(&pacing);
    const bool tracingAv = parser.isSet(traceAv) && window.Playback();
    if (tracingAv) {
      window.FrontPlayer()->SetAvTrace(&av);
      window.RearPlayer()->SetAvTrace(&av);
    }
    if (parser.isSet(card)) LoadCard(window, parser.value(card));
    if (parser.isSet(speed) && window.Playback()) {
      const int position = qBound(0, parser.value(speed).toInt(), 4);
      static_cast<CBitSlider*>(window.Control(orvia::kSpeedSlider))->SetPos(position);
      window.Playback()->controller().OnSpeed(position);
    }
    if (!orvia::ScheduleTimedCommands(window, parser.values(at))) {
      qWarning("orvia: cannot read --at %s", qPrintable(parser.values(at).join(' ')));
      return;
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
    if (tracingAv) {
      for (orvia::player::EmbeddedPlayer* p : {window.FrontPlayer(), window.RearPlayer()})
        p->SetAvTrace(nullptr);
      orvia::WriteAvTrace(av, parser.value(traceAv).toStdString());
    }
  };
  orvia::StartupResult result = orvia::RunStartup(options);
  return result == orvia::StartupResult::kWindowRan ? 0 : 1;
}
