// The viewer: start-up, then the main window until it closes.
//
//   orvia [--card DIR] [--screenshot FILE [--screenshot-after MS]]
//
// --card opens a card folder's play list at start and plays its first row.
// --screenshot saves a picture of the window after the given time (default
// 5000 ms) and closes the program.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "app/main_window.h"
#include "app/orvia_app.h"
#include "library/play_list.h"

namespace {

void LoadCard(orvia::COrviaDlg& window, const QString& card) {
  QList<QStringList> rows;
  for (const orvia::PlayListRow& r : orvia::ScanPlayList(card.toStdString(), 0))
    rows.append({QString::fromStdString(r.number), QString::fromStdString(r.date), QString::fromStdString(r.time),
                 QString::fromStdString(r.type), QString::fromStdString(r.path)});
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
  parser.addOptions({card, shot, after, data});
  parser.process(app);

  orvia::StartupOptions options;
  options.moduleFolder = QCoreApplication::applicationDirPath();
  options.dataFolder =
      parser.isSet(data) ? parser.value(data) : orvia::DefaultDataFolder(QCoreApplication::applicationDirPath());
  options.runWindow = [&](orvia::COrviaDlg& window) {
    if (parser.isSet(card)) LoadCard(window, parser.value(card));
    window.show();
    if (parser.isSet(shot)) {
      QTimer::singleShot(parser.value(after).toInt(), &window, [&] {
        SaveScreenshot(window, parser.value(shot));
        window.close();
      });
    }
    app.exec();
  };
  orvia::StartupResult result = orvia::RunStartup(options);
  return result == orvia::StartupResult::kWindowRan ? 0 : 1;
}
