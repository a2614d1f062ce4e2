#include "app/video_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSettings>
#include <deque>

#include "app/preferences.h"
#include "base/localized_text.h"

namespace orvia {

namespace {

struct QueuedAnswer {
  bool cancel = false;
  std::optional<VideoChoice> choice;
};
std::deque<QueuedAnswer> g_answers;
std::optional<VideoChoice> g_lastProposed;

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

// The offered sizes: the front view's own, 720p, 1080p.
constexpr int kSizes[][2] = {{0, 0}, {1280, 720}, {1920, 1080}};

QComboBox* Choices(QWidget* parent, std::initializer_list<const char*> keys, int current) {
  auto* box = new QComboBox(parent);
  for (const char* key : keys) box->addItem(Text(key));
  box->setCurrentIndex(current);
  return box;
}

int SizeIndex(const VideoChoice& c) {
  for (int i = 0; i < 3; ++i)
    if (kSizes[i][0] == c.width && kSizes[i][1] == c.height) return i;
  return 0;
}

}  // namespace

VideoChoice RememberedVideoChoice(ClockRange range) {
  VideoChoice c;
  c.range = range;
  const QSettings s(PreferencesPath(), QSettings::IniFormat);
  c.layout = static_cast<RenderLayout>(std::clamp(s.value("video/layout", 1).toInt(), 0, 3));
  const int size = std::clamp(s.value("video/size", 0).toInt(), 0, 2);
  c.width = kSizes[size][0];
  c.height = kSizes[size][1];
  c.quality = static_cast<RenderQuality>(std::clamp(s.value("video/quality", 1).toInt(), 0, 2));
  c.units = s.value("video/mph", false).toBool() ? SpeedUnits::kMph : SpeedUnits::kKmh;
  c.overlay.time = s.value("video/time", true).toBool();
  c.overlay.speed = s.value("video/speed", true).toBool();
  c.overlay.g = s.value("video/g", true).toBool();
  c.overlay.route = s.value("video/route", true).toBool();
  c.overlay.name = s.value("video/name", true).toBool();
  return c;
}

void RememberVideoChoice(const VideoChoice& c) {
  QSettings s(PreferencesPath(), QSettings::IniFormat);
  s.setValue("video/layout", static_cast<int>(c.layout));
  s.setValue("video/size", SizeIndex(c));
  s.setValue("video/quality", static_cast<int>(c.quality));
  s.setValue("video/mph", c.units == SpeedUnits::kMph);
  s.setValue("video/time", c.overlay.time);
  s.setValue("video/speed", c.overlay.speed);
  s.setValue("video/g", c.overlay.g);
  s.setValue("video/route", c.overlay.route);
  s.setValue("video/name", c.overlay.name);
}

std::optional<VideoChoice> AskVideoChoice(QWidget* parent, const VideoChoice& proposed) {
  g_lastProposed = proposed;
  if (!g_answers.empty()) {
    const QueuedAnswer answer = g_answers.front();
    g_answers.pop_front();
    if (answer.cancel) return std::nullopt;
    return answer.choice ? answer.choice : std::optional<VideoChoice>(proposed);
  }
  QDialog dialog(parent);
  dialog.setWindowTitle(Text("IDS_CAPTION_EXPORT_VIDEO"));
  auto* form = new QFormLayout(&dialog);
  const ClockRangeRows rows = AddClockRangeRows(dialog, form, proposed.range);
  QComboBox* layout = Choices(&dialog,
                              {"IDS_CAPTION_VIDEO_FRONT", "IDS_CAPTION_VIDEO_PIP", "IDS_CAPTION_VIDEO_SIDE",
                               "IDS_CAPTION_VIDEO_STACK"},
                              static_cast<int>(proposed.layout));
  form->addRow(Text("IDS_CAPTION_VIDEO_LAYOUT"), layout);
  QComboBox* size = Choices(
      &dialog, {"IDS_CAPTION_VIDEO_SIZE_FRONT", "IDS_CAPTION_VIDEO_SIZE_720", "IDS_CAPTION_VIDEO_SIZE_1080"},
      SizeIndex(proposed));
  form->addRow(Text("IDS_CAPTION_VIDEO_SIZE"), size);
  QComboBox* quality =
      Choices(&dialog, {"IDS_CAPTION_VIDEO_SMALLER", "IDS_CAPTION_VIDEO_BALANCED", "IDS_CAPTION_VIDEO_BEST"},
              static_cast<int>(proposed.quality));
  form->addRow(Text("IDS_CAPTION_VIDEO_QUALITY"), quality);
  QComboBox* units = Choices(&dialog, {"IDS_CAPTION_VIDEO_KMH", "IDS_CAPTION_VIDEO_MPH"},
                             proposed.units == SpeedUnits::kMph ? 1 : 0);
  form->addRow(Text("IDS_CAPTION_VIDEO_UNITS"), units);
  // What the overlay shows, one box each.
  auto* parts = new QHBoxLayout;
  const auto part = [&](const char* key, bool on) {
    auto* box = new QCheckBox(Text(key), &dialog);
    box->setChecked(on);
    parts->addWidget(box);
    return box;
  };
  QCheckBox* time = part("IDS_CAPTION_VIDEO_TIME", proposed.overlay.time);
  QCheckBox* speed = part("IDS_CAPTION_VIDEO_SPEED", proposed.overlay.speed);
  QCheckBox* g = part("IDS_CAPTION_VIDEO_G", proposed.overlay.g);
  QCheckBox* route = part("IDS_CAPTION_VIDEO_ROUTE", proposed.overlay.route);
  QCheckBox* name = part("IDS_CAPTION_VIDEO_NAME", proposed.overlay.name);
  form->addRow(Text("IDS_CAPTION_VIDEO_OVERLAY"), parts);
  if (!RunRangeDialog(dialog, form, rows)) return std::nullopt;

  VideoChoice c;
  c.range = rows.Chosen();
  c.layout = static_cast<RenderLayout>(layout->currentIndex());
  c.width = kSizes[size->currentIndex()][0];
  c.height = kSizes[size->currentIndex()][1];
  c.quality = static_cast<RenderQuality>(quality->currentIndex());
  c.units = units->currentIndex() == 1 ? SpeedUnits::kMph : SpeedUnits::kKmh;
  c.overlay.time = time->isChecked();
  c.overlay.speed = speed->isChecked();
  c.overlay.g = g->isChecked();
  c.overlay.route = route->isChecked();
  c.overlay.name = name->isChecked();
  return c;
}

void QueueVideoChoiceAnswer(bool cancel, std::optional<VideoChoice> choice) {
  g_answers.push_back({cancel, choice});
}

std::optional<VideoChoice> TakeLastProposedVideoChoice() {
  std::optional<VideoChoice> last = g_lastProposed;
  g_lastProposed.reset();
  return last;
}

}  // namespace orvia
