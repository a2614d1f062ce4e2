#include "library/trips_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <algorithm>
#include <array>
#include <cmath>

#include "base/localized_text.h"
#include "controls/colored_list_ctrl.h"
#include "controls/skin_button.h"
#include "controls/skin_ids.h"
#include "controls/white_tab_ctrl.h"
#include "playback/telemetry.h"

namespace orvia {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

constexpr int kWidth = 720;
constexpr int kHeight = 420;
constexpr int kMargin = 10;
constexpr int kNoteHeight = 18;
constexpr int kCloseButtonId = 1004;

// A list column: its header and the widest texts it is to show whole, given
// as a text or as string-file keys.
struct Column {
  const char* key;
  const char* sample;
  std::array<const char*, 5> sampleKeys;
};

const Column kEventColumns[] = {
    {"IDS_CAPTION_LIST_NUMBER", "000", {}},
    {"IDS_CAPTION_LIST_DATE", "0000-00-00", {}},
    {"IDS_CAPTION_LIST_TIME", "00:00:00", {}},
    {"IDS_CAPTION_TRIPS_KIND",
     "",
     {"IDS_CAPTION_EVENT_IMPACT", "IDS_CAPTION_EVENT_HARD_BRAKING", "IDS_CAPTION_EVENT_HARD_ACCELERATION",
      "IDS_CAPTION_EVENT_SPEEDING", "IDS_CAPTION_EVENT_RECORDING"}},
    {"IDS_CAPTION_TRIPS_STRENGTH", "-00 km/h", {}},
    {"IDS_CAPTION_TRIPS_SPEED", "000 km/h", {}},
    {"IDS_CAPTION_TRIPS_PLACE", "-00.00000, -000.00000", {}},
    {"IDS_CAPTION_TRIPS_RECORDING", "mdr_00000000_000000.avi  00:00", {}},
};
const Column kTripColumns[] = {
    {"IDS_CAPTION_LIST_NUMBER", "000", {}},
    {"IDS_CAPTION_TRIPS_KIND", "", {"IDS_CAPTION_TRIPS_DRIVE", "IDS_CAPTION_TRIPS_PARKING"}},
    {"IDS_CAPTION_LIST_DATE", "0000-00-00", {}},
    {"IDS_CAPTION_TRIPS_START", "00:00:00", {}},
    {"IDS_CAPTION_TRIPS_END", "00:00:00", {}},
    {"IDS_CAPTION_TRIPS_DURATION", "00:00:00", {}},
    {"IDS_CAPTION_TRIPS_DISTANCE", "0000.0 km", {}},
    {"IDS_CAPTION_TRIPS_TOP_SPEED", "000 km/h", {}},
    {"IDS_CAPTION_TRIPS_AVG_SPEED", "000 km/h", {}},
    {"IDS_CAPTION_TRIPS_EVENTS", "000", {}},
};

// Room around a cell's text, and around a header's.
constexpr int kCellPadding = 14;
constexpr int kHeaderPadding = 18;

int ColumnWidth(const QFontMetrics& metrics, const Column& column) {
  int width = metrics.horizontalAdvance(Text(column.key)) + kHeaderPadding;
  width = std::max(width, metrics.horizontalAdvance(QString::fromLatin1(column.sample)) + kCellPadding);
  for (const char* key : column.sampleKeys)
    if (key != nullptr) width = std::max(width, metrics.horizontalAdvance(Text(key)) + kCellPadding);
  return width;
}

// String-file keys of the event kinds, in EventKind order.
const char* const kEventKindKeys[] = {"IDS_CAPTION_EVENT_IMPACT", "IDS_CAPTION_EVENT_HARD_BRAKING",
                                      "IDS_CAPTION_EVENT_HARD_ACCELERATION", "IDS_CAPTION_EVENT_SPEEDING",
                                      "IDS_CAPTION_EVENT_RECORDING"};

// Date and time of the recorder's clock in the recording list's forms,
// "2026-12-07" and "08:36:24" (the clock carries no zone: broken down as UTC).
struct ClockTexts {
  QString date;
  QString time;
};
ClockTexts ClockTextsOf(int64_t time) {
  const std::string iso = IsoTimeText(time);  // "2026-12-07T08:36:24"
  const size_t t = iso.find('T');
  if (t == std::string::npos) return {};
  return {QString::fromStdString(iso.substr(0, t)), QString::fromStdString(iso.substr(t + 1))};
}

// "6:00" below an hour, "1:02:00" from an hour on.
QString DurationText(int64_t seconds) {
  const long long s = seconds < 0 ? 0 : seconds;
  if (s >= 3600) return QString::asprintf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return QString::asprintf("%lld:%02lld", s / 60, s % 60);
}

QString SpeedText(double kmh) { return QString::asprintf("%ld km/h", std::lround(kmh)); }

QString NumberText(size_t index) { return QString("%1").arg(index + 1, 3, 10, QChar('0')); }

// The measured strength: the peak acceleration, else the speed change
// within a second (signed, so braking and acceleration read apart).
QString StrengthText(const CardEvent& e) {
  if (e.peakG) return QString::asprintf("%.1f g", *e.peakG);
  if (e.speedChangeKmh) return QString::asprintf("%+ld km/h", std::lround(*e.speedChangeKmh));
  return {};
}

QString PlaceText(const CardEvent& e) {
  if (!e.latitude || !e.longitude) return {};
  return QString::asprintf("%.5f, %.5f", *e.latitude, *e.longitude);
}

// The recording's file name and the event's second in it: "mdr_...avi  0:24".
QString RecordingText(const CardSummary& summary, const CardEvent& e) {
  if (e.recording >= summary.recordings.size()) return {};
  const std::string& path = summary.recordings[e.recording].path;
  const size_t slash = path.rfind(kSeparator);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return QString::fromStdString(name) + "  " + DurationText(e.second);
}

QStringList EventRow(const CardSummary& summary, size_t index) {
  const CardEvent& e = summary.events[index];
  const ClockTexts when = ClockTextsOf(e.time);
  const size_t kind = static_cast<size_t>(e.kind);
  const QString kindText = kind < std::size(kEventKindKeys) ? Text(kEventKindKeys[kind]) : QString();
  const QString speed = e.speedKmh ? SpeedText(*e.speedKmh) : QString();
  return {NumberText(index), when.date, when.time,    kindText,
          StrengthText(e),   speed,     PlaceText(e), RecordingText(summary, e)};
}

// A parking session covers no distance: its distance and speeds stay empty.
QStringList TripRow(const Trip& trip, size_t index) {
  const ClockTexts start = ClockTextsOf(trip.start);
  const bool drive = !trip.parking;
  return {NumberText(index),
          Text(drive ? "IDS_CAPTION_TRIPS_DRIVE" : "IDS_CAPTION_TRIPS_PARKING"),
          start.date,
          start.time,
          ClockTextsOf(trip.end).time,
          DurationText(trip.end - trip.start),
          drive ? QString::asprintf("%.1f km", trip.distanceM / 1000.0) : QString(),
          drive ? SpeedText(trip.topSpeedKmh) : QString(),
          drive ? SpeedText(trip.avgMovingSpeedKmh) : QString(),
          QString::number(trip.events)};
}

// A list with the columns, each wide enough for its widest text; the last
// one takes whatever width the list has beyond the others.
template <size_t N>
CColoredListCtrl* MakeList(QWidget* parent, const char* name, const Column (&columns)[N]) {
  auto* list = new CColoredListCtrl(parent);
  list->setObjectName(name);
  // The sheet's condensed face keeps a whole date, time and file name in
  // narrow columns.
  QFont font("DejaVu Sans");
  font.setStretch(QFont::Condensed);
  font.setPixelSize(12);
  list->setFont(font);
  const QFontMetrics metrics(font);
  for (size_t c = 0; c < N; ++c)
    list->InsertColumn(static_cast<int>(c), Text(columns[c].key), ColumnWidth(metrics, columns[c]));
  list->header()->setStretchLastSection(true);
  return list;
}

// The width a list needs to show every column whole with a scroll bar beside.
template <size_t N>
int NeededWidth(const CColoredListCtrl* list, const Column (&columns)[N]) {
  int width = 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  for (size_t c = 0; c < N; ++c) width += ColumnWidth(list->fontMetrics(), columns[c]);
  return width;
}

}  // namespace

TripsView::TripsView(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint) {
  setObjectName("TripsView");
  setWindowTitle(Text("IDS_CAPTION_TRIPS_TITLE"));

  tabs_ = new CWhiteTabWidget(this);
  tabs_->setObjectName("tabs");
  tabs_->setAutoFillBackground(true);
  QPalette white = tabs_->palette();
  white.setColor(QPalette::Window, Qt::white);
  tabs_->setPalette(white);
  MakeLists();
  // The window grows beyond its usual width when a larger font or a longer
  // translation needs it; the tab sheet's frame takes a few pixels more.
  const int listWidth = std::max(NeededWidth(events_, kEventColumns), NeededWidth(trips_, kTripColumns));
  const int width = std::max(kWidth, listWidth + 8 + 2 * kMargin);
  setFixedSize(width, kHeight);
  const int tabsTop = kTitleBandHeight + 2;
  const int tabsHeight = kHeight - tabsTop - kNoteHeight - 2 * 6;
  tabs_->setGeometry(kMargin, tabsTop, width - 2 * kMargin, tabsHeight);

  // Right of the note: the speed above which driving counts as speeding.
  constexpr int kLimitWidth = 96, kLimitHeight = 20;
  speedLimit_ = new QSpinBox(this);
  speedLimit_->setObjectName("speedLimit");
  speedLimit_->setRange(0, 250);
  speedLimit_->setSingleStep(10);
  speedLimit_->setSuffix(" km/h");
  speedLimit_->setSpecialValueText(Text("IDS_CAPTION_TRIPS_SPEED_LIMIT_OFF"));
  speedLimit_->setGeometry(width - kMargin - kLimitWidth, tabsTop + tabsHeight + 4, kLimitWidth,
                           kLimitHeight);
  connect(speedLimit_, &QSpinBox::valueChanged, this, &TripsView::speedLimitChanged);
  auto* limitLabel = new QLabel(Text("IDS_CAPTION_TRIPS_SPEED_LIMIT"), this);
  limitLabel->adjustSize();
  const int labelLeft = speedLimit_->x() - 6 - limitLabel->width();
  limitLabel->move(labelLeft, tabsTop + tabsHeight + 6);

  note_ = new QLabel(this);
  note_->setObjectName("note");
  note_->setGeometry(kMargin + 2, tabsTop + tabsHeight + 6, labelLeft - kMargin - 10, kNoteHeight);
  QPalette notePalette = note_->palette();
  notePalette.setColor(QPalette::WindowText, QColor(64, 64, 64));
  note_->setPalette(notePalette);

  close_ = new CxSkinButton(this, kCloseButtonId);
  close_->SetSkin(skin::kCloseNormal, skin::kClosePressed, skin::kCloseHover);
  close_->setGeometry(width - 20, 3, 17, 17);
  connect(close_, &CxSkinButton::clicked, this, &TripsView::reject);

  titleFont_.setPixelSize(16);
  titleFont_.setBold(true);
}

void TripsView::MakeLists() {
  events_ = MakeList(tabs_, "events", kEventColumns);
  trips_ = MakeList(tabs_, "trips", kTripColumns);
  events_->setToolTip(Text("IDS_CAPTION_TRIPS_EVENTS_TOOLTIP"));
  events_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(events_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* item = events_->itemAt(at);
    if (!item) return;
    QMenu* menu = BuildEventMenu(events_->indexOfTopLevelItem(item));
    menu->exec(events_->viewport()->mapToGlobal(at));
    delete menu;
  });
  tabs_->addTab(events_, Text("IDS_CAPTION_TRIPS_EVENTS"));
  tabs_->addTab(trips_, Text("IDS_CAPTION_TRIPS_TRIPS"));
  tabs_->setCurrentIndex(0);
  for (CColoredListCtrl* list : {events_, trips_}) {
    // Enter is taken before the list sees it: whether a tree view activates
    // its item on Enter depends on the platform's style.
    list->installEventFilter(this);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this, list](QTreeWidgetItem* item) {
      const int row = list->indexOfTopLevelItem(item);
      if (row < 0) return;
      if (list == events_) emit eventChosen(row);
      if (list == trips_) emit tripChosen(row);
    });
  }
}

void TripsView::SetSummary(const CardSummary& summary) {
  const int selected = SelectedEvent();
  const QString tip = events_->toolTip();
  events_->DeleteAllItems();
  for (size_t i = 0; i < summary.events.size(); ++i) {
    const int row = events_->AddRow(EventRow(summary, i));
    // The hint shows over the rows too, not only over the empty area.
    for (int c = 0; c < events_->columnCount(); ++c) events_->topLevelItem(row)->setToolTip(c, tip);
  }
  trips_->DeleteAllItems();
  for (size_t i = 0; i < summary.trips.size(); ++i) trips_->AddRow(TripRow(summary.trips[i], i));
  SelectEvent(selected);
}

void TripsView::SelectEvent(int index) {
  QTreeWidgetItem* item = index >= 0 ? events_->topLevelItem(index) : nullptr;
  if (item == nullptr) {
    events_->clearSelection();
    events_->setCurrentItem(nullptr);
    return;
  }
  events_->setCurrentItem(item);
  item->setSelected(true);
  events_->scrollToItem(item);
}

int TripsView::SelectedEvent() const {
  const QList<QTreeWidgetItem*> items = events_->selectedItems();
  return items.isEmpty() ? -1 : events_->indexOfTopLevelItem(items.first());
}

void TripsView::SetProgress(size_t done, size_t total) {
  SetNote(Text("IDS_CAPTION_TRIPS_PROGRESS").arg(done).arg(total));
}

void TripsView::SetNote(const QString& text) { note_->setText(text); }

void TripsView::ClearNote() { note_->clear(); }

QMenu* TripsView::BuildEventMenu(int row) {
  auto* menu = new QMenu(this);
  QAction* clip = menu->addAction(Text("IDS_CAPTION_EXPORT_CLIP"));
  clip->setObjectName("exportClip");
  connect(clip, &QAction::triggered, this, [this, row] { emit exportClipRequested(row); });
  QAction* video = menu->addAction(Text("IDS_CAPTION_EXPORT_VIDEO"));
  video->setObjectName("exportVideo");
  connect(video, &QAction::triggered, this, [this, row] { emit exportVideoRequested(row); });
  QAction* evidence = menu->addAction(Text("IDS_CAPTION_SAVE_EVIDENCE"));
  evidence->setObjectName("saveEvidence");
  connect(evidence, &QAction::triggered, this, [this, row] { emit evidenceRequested(row); });
  return menu;
}

void TripsView::SetSpeedLimit(int kmh) {
  const QSignalBlocker quiet(speedLimit_);
  speedLimit_->setValue(kmh);
}

void TripsView::ChooseSelected(CColoredListCtrl* list) {
  const QList<QTreeWidgetItem*> items = list->selectedItems();
  if (items.isEmpty()) return;
  const int row = list->indexOfTopLevelItem(items.first());
  if (list == events_) emit eventChosen(row);
  if (list == trips_) emit tripChosen(row);
}

bool TripsView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == events_ || watched == trips_)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ChooseSelected(static_cast<CColoredListCtrl*>(watched));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TripsView::paintEvent(QPaintEvent*) {
  // The disk manager sheet's frame: a dark title band over a white body in
  // a black line.
  QPainter painter(this);
  const QRect client = rect();
  painter.fillRect(QRect(0, 0, client.width(), kTitleBandHeight), QColor(57, 57, 57));
  painter.fillRect(QRect(1, kTitleBandHeight, client.width() - 2, client.height() - kTitleBandHeight - 1),
                   Qt::white);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(client.adjusted(0, 0, -1, -1));
  painter.setFont(titleFont_);
  painter.setPen(Qt::white);
  painter.drawText(QRect(QPoint(9, 4), QPoint(close_->x() - 4, 21)), Qt::AlignLeft | Qt::AlignVCenter,
                   Text("IDS_CAPTION_TRIPS_TITLE"));
}

void TripsView::mousePressEvent(QMouseEvent* event) {
  // The title band moves the window, as a caption would.
  if (event->position().y() < kTitleBandHeight && drag_.Press(this, event)) return;
  QDialog::mousePressEvent(event);
}

void TripsView::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(this, event)) return;
  QDialog::mouseMoveEvent(event);
}

void TripsView::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event);
  QDialog::mouseReleaseEvent(event);
}

}  // namespace orvia
