#include "app/orvia_app.h"

#include <QApplication>
#include <QFile>
#include <QImage>

#include "app/main_window.h"
#include "app/startup_files.h"
#include "app/startup_trace.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "controls/message_box.h"
#include "controls/skin.h"
#include "player/player_module.h"

// The program's own resources live in a static library: register them.
static void InitProgramResources() { Q_INIT_RESOURCE(orvia); }

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

std::string Utf8(const QString& s) { return s.toStdString(); }

QString WithSeparator(QString folder) {
  if (!folder.endsWith('/')) folder += '/';
  return folder;
}

// Writes a logo from the skin unless a file of the right length is there.
void WriteLogo(const QString& path, int skinId) {
  if (!LogoNeedsWriting(Utf8(path))) return;
  QImage image = skin::LoadImage(skinId).convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return;
  PixelRows rows{image.constBits(), image.width(), image.height(), 4, static_cast<int>(image.bytesPerLine())};
  WriteBitmapFile(rows, Utf8(path));  // a failure to write is not reported
}

}  // namespace

QString DefaultDataFolder(const QString& programFolder) {
  QByteArray xdg = qgetenv("XDG_DATA_HOME");
  QString fallback = !xdg.isEmpty() ? QString::fromLocal8Bit(xdg)
                                    : QString::fromLocal8Bit(qgetenv("HOME")) + "/.local/share";
  return QString::fromStdString(
      ChooseDataFolder(Utf8(WithSeparator(programFolder)), Utf8(fallback + "/orvia/")));
}

StartupResult RunStartup(const StartupOptions& options) {
  InitProgramResources();
  const QString dataFolder = WithSeparator(options.dataFolder);
  CreatePathDirectories(Utf8(dataFolder));
  // Every text is read from the data folder from here on; the first lookup
  // reads the string file an earlier start left there.
  SetProgramFolderForTesting(Utf8(dataFolder));
  QCoreApplication::setOrganizationName(Text("IDS_SET_REGISTER_KEY"));

  MarkStartupStep("application made");
  player::PlayerModule module;
  switch (module.Load(options.moduleFolder)) {
    case player::ModuleStatus::kCannotLoad:
      ShowLocalizedMessageBox(WithSeparator(options.moduleFolder) + Text("IDS_ERROR_FAILED_TO_LOADDLL"));
      return StartupResult::kModuleNotLoaded;
    case player::ModuleStatus::kNoRegistration:
      ShowLocalizedMessageBox(Text("IDS_ERROR_FAILED_TO_DLL_REGISTER"));
      return StartupResult::kModuleNotRegistered;
    default:
      break;  // the registration's answer is not examined
  }

  QFile mapPage(":/orvia/map.html");
  if (!mapPage.open(QIODevice::ReadOnly) ||
      !WriteDataFile(Utf8(dataFolder + kMapPageFileName), mapPage.readAll().toStdString()))
    ShowPlainMessageBox(Text("IDS_CAPTION_CANNOTLOADMAP"));

  if (!WriteDataFile(Utf8(dataFolder + kStringFileName), EnglishStringFileBytes())) {
    ShowPlainMessageBox("Can not open the string file.");
    return StartupResult::kStringFileFailed;
  }

  WriteLogo(dataFolder + kLogo1FileName, 224);
  WriteLogo(dataFolder + kLogo2FileName, 223);

  MarkStartupStep("data files written");
  {
    COrviaDlg window(&module);
    MarkStartupStep("window made");
    if (options.runWindow) {
      options.runWindow(window);
    } else {
      window.show();
      qApp->exec();
    }
  }
  return StartupResult::kWindowRan;
}

}  // namespace orvia
