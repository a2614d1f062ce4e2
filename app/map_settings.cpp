#include "app/map_settings.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QUrl>

#include "app/main_window.h"
#include "app/preferences.h"
#include "app/startup_files.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "controls/message_box.h"
#include "playback/gps_map.h"

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

constexpr int kMinCacheMb = 0;  // 0: nothing is kept
constexpr int kMaxCacheMb = 100000;

}  // namespace

MapSource LoadMapSource() {
  MapSource m;
  const QSettings s(PreferencesPath(), QSettings::IniFormat);
  const QString url = s.value("map/tileUrl").toString();
  if (MapTemplateUsable(url)) {
    m.urlTemplate = url;
    m.credit = s.value("map/credit").toString();
    m.apiKey = s.value("map/apiKey").toString();
  }
  m.offlineFile = s.value("map/offlineFile").toString();
  bool ok = false;
  const int mb = s.value("map/cacheMB", m.cacheMegabytes).toInt(&ok);
  if (ok && mb >= kMinCacheMb && mb <= kMaxCacheMb) m.cacheMegabytes = mb;
  return m;
}

bool SaveMapSource(const MapSource& m) {
  QSettings s(PreferencesPath(), QSettings::IniFormat);
  s.setValue("map/tileUrl", m.urlTemplate);
  s.setValue("map/apiKey", m.apiKey);
  s.setValue("map/credit", m.credit);
  s.setValue("map/offlineFile", m.offlineFile);
  s.setValue("map/cacheMB", m.cacheMegabytes);
  s.sync();
  return s.status() == QSettings::NoError;
}

MapSource WithMapTilesOverride(MapSource source, const QString& urlOrFile) {
  if (urlOrFile.isEmpty()) return source;
  if (!urlOrFile.contains(QLatin1String("{z}"))) {
    source.offlineFile = QFileInfo(urlOrFile).absoluteFilePath();
    return source;
  }
  if (urlOrFile != source.urlTemplate) {
    // Another source's tiles carry its own credit; until the user names it,
    // the map names the server they come from.
    source.credit = QUrl(urlOrFile).host().toHtmlEscaped();
  }
  source.urlTemplate = urlOrFile;
  source.offlineFile.clear();
  return source;
}

bool UseMapSource(const MapSource& source, QString* error) {
  return MapTileHandler()->SetSource(source, error);
}

void ChooseMapSource(COrviaDlg& window) {
  MapSettingsDialog dialog(LoadMapSource(), &window);
  if (dialog.exec() != QDialog::Accepted) return;
  const MapSource chosen = dialog.Chosen();
  SaveMapSource(chosen);
  QString error;
  if (!UseMapSource(chosen, &error))
    ShowLocalizedMessageBox(Text("IDS_CAPTION_MAP_FILE") + "\n" + error, QMessageBox::Ok,
                            QMessageBox::Warning);
  window.Map()->Navigate(QString::fromStdString(GetProgramFolder() + kMapPageFileName));
}

MapSettingsDialog::MapSettingsDialog(const MapSource& source, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text("IDS_CAPTION_MAP_TITLE"));
  setObjectName("mapSettings");
  auto* form = new QFormLayout(this);
  url_ = new QLineEdit(source.urlTemplate, this);
  url_->setObjectName("tileUrl");
  url_->setMinimumWidth(420);
  key_ = new QLineEdit(source.apiKey, this);
  key_->setObjectName("apiKey");
  credit_ = new QLineEdit(source.credit, this);
  credit_->setObjectName("credit");
  file_ = new QLineEdit(source.offlineFile, this);
  file_->setObjectName("offlineFile");
  auto* browse = new QPushButton(Text("IDS_CAPTION_MAP_BROWSE"), this);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, Text("IDS_CAPTION_MAP_FILE"), file_->text(),
                                                      Text("IDS_CAPTION_MAP_FILTER"));
    if (!path.isEmpty()) file_->setText(path);
  });
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_);
  fileRow->addWidget(browse);
  cache_ = new QSpinBox(this);
  cache_->setObjectName("cacheMB");
  cache_->setRange(kMinCacheMb, kMaxCacheMb);
  cache_->setValue(source.cacheMegabytes);
  form->addRow(Text("IDS_CAPTION_MAP_SOURCE"), url_);
  form->addRow(Text("IDS_CAPTION_MAP_KEY"), key_);
  form->addRow(Text("IDS_CAPTION_MAP_CREDIT"), credit_);
  form->addRow(Text("IDS_CAPTION_MAP_FILE"), fileRow);
  form->addRow(Text("IDS_CAPTION_MAP_CACHE"), cache_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

MapSource MapSettingsDialog::Chosen() const {
  MapSource m;
  m.urlTemplate = url_->text().trimmed();
  m.apiKey = key_->text().trimmed();
  m.credit = credit_->text().trimmed();
  m.offlineFile = file_->text().trimmed();
  m.cacheMegabytes = cache_->value();
  return m;
}

// A source the map could not use is named, and the dialog stays open.
void MapSettingsDialog::accept() {
  if (!MapTemplateUsable(url_->text().trimmed())) {
    ShowLocalizedMessageBox(Text("IDS_CAPTION_MAP_BAD_SOURCE"), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  QDialog::accept();
}

}  // namespace orvia
