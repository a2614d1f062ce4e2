#include "settings/settings_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "base/localized_text.h"
#include "controls/message_box.h"
#include "settings/time_zones.h"

namespace orvia {

namespace {

// Control ids of the frames and labels.
enum : int {
  kImpactGroup = 1074,
  kDrivingImpactLabel = 1067,
  kParkingImpactLabel = 1068,
  kBatteryGroup = 1069,
  kCutoffLabel = 1086,
  kParkingGroup = 1127,
  kSdQuotaLabel = 1072,
  kMotionLabel = 1073,
  kQualityGroup = 1128,
  kDrivingQualityLabel = 1129,
  kParkingQualityLabel = 1130,
  kEtcGroup = 1133,
  kSoundLabel = 1134,
  kVoiceLabel = 1135,
  kPipLabel = 1136,
  kMirrorLabel = 1137,
  kTimeGroup = 1146,
  kClockLabel = 1147,
  kTimeZoneLabel = 1151,
};

constexpr int kClockTimerMs = 1000;

// Page geometry, in page pixels: two columns of groups above the time group.
constexpr int kPageWidth = 600;
constexpr int kPageHeight = 326;
constexpr int kLeftX = 8, kLeftWidth = 272;      // impact, battery, parking
constexpr int kRightX = 288, kRightWidth = 304;  // quality, on/off settings
constexpr int kTimeWidth = kRightX + kRightWidth - kLeftX;
constexpr int kLabelInset = 12;       // label start inside a group
constexpr int kLeftListInset = 164;   // list start inside a left group and the time group
constexpr int kRightListInset = 192;  // list start inside the quality group
constexpr int kListWidth = 96;
constexpr int kRadioInset = 212;  // the off button inside the on/off group; the on button follows
constexpr int kRadioWidth = 42;
constexpr int kRowHeight = 22;

// The placeholder frame of the sheet, client size; the sheet sits at (9, 5),
// 6 pixels wider and 5 taller.
constexpr int kFrameWidth = kPageWidth + 2;
constexpr int kFrameHeight = kPageHeight + 26;
constexpr QRect kSheetRect(9, 5, kFrameWidth + 6, kFrameHeight + 5);
constexpr int kButtonWidth = 84, kButtonHeight = 24;

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

QString ControlName(int id) { return QStringLiteral("ctl%1").arg(id); }

std::function<void(CSettingDialog&)>& Driver() {
  static std::function<void(CSettingDialog&)> driver;
  return driver;
}

}  // namespace

// ---------------------------------------------------------------- the page

SetupPageEnv::SetupPageEnv(const QString& cardRoot, QWidget* parent)
    : QWidget(parent), cardRoot_(cardRoot), timeSource_(LocalTimeNow) {
  setObjectName(QStringLiteral("SetupPageEnv"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFixedSize(kPageWidth, kPageHeight);

  BuildControls();
  const SetupChoices choices =
      cardRoot_.isEmpty() ? DefaultSetupChoices() : ReadSetupChoices(SetupDatPath(cardRoot_.toStdString()));
  FillLists();
  LoadChoices(choices);
  RefreshClock();

  if (cardRoot_.isEmpty()) {
    // No card: the defaults are shown, nothing can be changed or written; the
    // clock still runs.
    for (auto& [id, w] : controls_) {
      if (qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w) || id == kClockButton)
        w->setEnabled(false);
    }
  }

  clockTimer_ = new QTimer(this);
  clockTimer_->setInterval(kClockTimerMs);
  connect(clockTimer_, &QTimer::timeout, this, &SetupPageEnv::RefreshClock);
  clockTimer_->start();
}

SetupPageEnv::~SetupPageEnv() { clockTimer_->stop(); }

QWidget* SetupPageEnv::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QComboBox* SetupPageEnv::List(int id) const { return qobject_cast<QComboBox*>(Control(id)); }

QRadioButton* SetupPageEnv::Radio(int id) const { return qobject_cast<QRadioButton*>(Control(id)); }

void SetupPageEnv::BuildControls() {
  auto add = [this](int id, QWidget* w, const QRect& rect) {
    w->setObjectName(ControlName(id));
    w->setGeometry(rect);
    controls_[id] = w;
  };
  auto group = [&](int id, const char* key, const QRect& rect) {
    auto* g = new QGroupBox(Text(key), this);
    add(id, g, rect);
  };
  auto label = [&](int id, const char* key, int x, int y, int width) {
    auto* l = new QLabel(Text(key), this);
    add(id, l, QRect(x, y, width, kRowHeight));
  };
  // A group with two rows of label and list.
  auto listGroup = [&](int groupId, const char* groupKey, int x, int width, int listInset, int y, int rows,
                       std::initializer_list<std::tuple<int, const char*, int>> items) {
    group(groupId, groupKey, QRect(x, y, width, 26 + rows * 26));
    int rowY = y + 20;
    for (const auto& [labelId, labelKey, listId] : items) {
      label(labelId, labelKey, x + kLabelInset, rowY, listInset - kLabelInset - 4);
      AddList(listId, QRect(x + listInset, rowY, kListWidth, kRowHeight));
      rowY += 26;
    }
  };

  listGroup(kImpactGroup, "IDS_CAPTION_SETUP_IMPACT", kLeftX, kLeftWidth, kLeftListInset, 6, 2,
            {{kDrivingImpactLabel, "IDS_CAPTION_SETUP_IMPACT_DRIVING", kDrivingImpactList},
             {kParkingImpactLabel, "IDS_CAPTION_SETUP_IMPACT_PARKING", kParkingImpactList}});
  listGroup(kBatteryGroup, "IDS_CAPTION_SETUP_BATTERY", kLeftX, kLeftWidth, kLeftListInset, 92, 1,
            {{kCutoffLabel, "IDS_CAPTION_SETUP_BATTERY_VOLTAGE", kCutoffList}});
  listGroup(kParkingGroup, "IDS_CAPTION_SETUP_PARKING", kLeftX, kLeftWidth, kLeftListInset, 152, 2,
            {{kSdQuotaLabel, "IDS_CAPTION_SETUP_PARKING_MEMORY", kSdQuotaList},
             {kMotionLabel, "IDS_CAPTION_SETUP_PARKING_MOTION", kMotionList}});
  listGroup(kQualityGroup, "IDS_CAPTION_SETUP_QUALITY", kRightX, kRightWidth, kRightListInset, 6, 2,
            {{kDrivingQualityLabel, "IDS_CAPTION_SETUP_QUALITY_DRIVING", kDrivingQualityList},
             {kParkingQualityLabel, "IDS_CAPTION_SETUP_QUALITY_PARKING", kParkingQualityList}});

  // The on/off settings: a label, then the off and the on button.
  // The group has no title, so its frame starts at its top: it begins lower
  // than its titled neighbours to line up with their frames.
  group(kEtcGroup, "IDS_CAPTION_SETUP_ETC", QRect(kRightX, 104, kRightWidth, 126));
  const int etcTop = 114;
  const int etcLabelWidth = kRadioInset - kLabelInset - 4;
  label(kSoundLabel, "IDS_CAPTION_SETUP_SOUND", kRightX + kLabelInset, etcTop, etcLabelWidth);
  label(kVoiceLabel, "IDS_CAPTION_SETUP_VOICE", kRightX + kLabelInset, etcTop + 28, etcLabelWidth);
  label(kPipLabel, "IDS_CAPTION_SETUP_PIP", kRightX + kLabelInset, etcTop + 56, etcLabelWidth);
  label(kMirrorLabel, "IDS_CAPTION_SETUP_MIRRORING", kRightX + kLabelInset, etcTop + 84, etcLabelWidth);
  AddRadioPair(kSoundOff, kSoundOn, etcTop, &sound_);
  AddRadioPair(kVoiceOff, kVoiceOn, etcTop + 28, &voiceMent_);
  AddRadioPair(kPipOff, kPipOn, etcTop + 56, &pip_);
  AddRadioPair(kMirrorOff, kMirrorOn, etcTop + 84, &mirror_);

  // Time: the running clock with its save button, and the time zone.
  const int timeTop = 238;
  group(kTimeGroup, "IDS_CAPTION_SETUP_TIME", QRect(kLeftX, timeTop, kTimeWidth, 80));
  label(kClockLabel, "IDS_CAPTION_SETUP_TIME_BLACKBOX", kLeftX + kLabelInset, timeTop + 20,
        kLeftListInset - kLabelInset - 4);
  auto* clock = new QLineEdit(this);
  clock->setReadOnly(true);
  clock->setAlignment(Qt::AlignCenter);
  clock->setFocusPolicy(Qt::NoFocus);
  add(kClockField, clock, QRect(kLeftX + kLeftListInset, timeTop + 20, 160, kRowHeight));
  auto* save = new QPushButton(Text("IDS_CAPTION_SETUP_TIME_SAVE"), this);
  add(kClockButton, save, QRect(kLeftX + kLeftListInset + 170, timeTop + 19, 100, kRowHeight + 2));
  save->setAutoDefault(false);  // Enter never writes the clock
  connect(save, &QPushButton::clicked, this, [this] { SaveTime(); });
  label(kTimeZoneLabel, "IDS_CAPTION_SETUP_TIME_GMT", kLeftX + kLabelInset, timeTop + 48,
        kLeftListInset - kLabelInset - 4);
  QComboBox* zones = AddList(kTimeZoneList, QRect(kLeftX + kLeftListInset, timeTop + 48,
                                                  kTimeWidth - kLeftListInset - 12, kRowHeight));
  zones->setMaxVisibleItems(16);
}

QComboBox* SetupPageEnv::AddList(int id, const QRect& rect) {
  auto* list = new QComboBox(this);
  list->setObjectName(ControlName(id));
  list->setGeometry(rect);
  list->setEditable(false);
  controls_[id] = list;
  return list;
}

void SetupPageEnv::AddRadioPair(int offId, int onId, int y, int* value) {
  // The off button first (value 0), the on button second (value 1).
  auto* group = new QButtonGroup(this);
  const int x = kRightX + kRadioInset;
  int index = 0;
  for (int id : {offId, onId}) {
    auto* radio = new QRadioButton(Text(index == 0 ? "IDS_CAPTION_SETUP_OFF" : "IDS_CAPTION_SETUP_ON"), this);
    radio->setObjectName(ControlName(id));
    radio->setGeometry(x + index * (kRadioWidth + 4), y, kRadioWidth, kRowHeight);
    group->addButton(radio, index);
    controls_[id] = radio;
    ++index;
  }
  connect(group, &QButtonGroup::idClicked, this, [value](int id) { *value = id; });
}

void SetupPageEnv::FillLists() {
  const QString impact[] = {Text("IDS_CAPTION_SETUP_IMPACT_0"), Text("IDS_CAPTION_SETUP_IMPACT_1"),
                            Text("IDS_CAPTION_SETUP_IMPACT_2")};
  for (int id : {kDrivingImpactList, kParkingImpactList}) {
    for (int i = 0; i < kImpactChoices; ++i) List(id)->insertItem(i, impact[i]);
  }
  const QString hour = Text("IDS_CAPTION_SETUP_HOUR");
  const QString cutoff[kCutoffChoices] = {QStringLiteral("11.5 V"),     QStringLiteral("11.7 V"),
                                          QStringLiteral("11.9 V"),     QStringLiteral("12.1 V"),
                                          QStringLiteral("5 ") + hour,  QStringLiteral("10 ") + hour,
                                          QStringLiteral("24 ") + hour, QStringLiteral("48 ") + hour};
  for (int i = 0; i < kCutoffChoices; ++i) List(kCutoffList)->insertItem(i, cutoff[i]);
  const QString quota[kSdQuotaChoices] = {QStringLiteral("0 %"), QStringLiteral("25 %"),
                                          QStringLiteral("50 %")};
  for (int i = 0; i < kSdQuotaChoices; ++i) List(kSdQuotaList)->insertItem(i, quota[i]);
  for (int i = 0; i < kImpactChoices; ++i) List(kMotionList)->insertItem(i, impact[i]);
  const QString quality[kQualityChoices] = {Text("IDS_CAPTION_SETUP_QUALITY_HIGH"),
                                            Text("IDS_CAPTION_SETUP_QUALITY_LOW")};
  for (int id : {kDrivingQualityList, kParkingQualityList}) {
    for (int i = 0; i < kQualityChoices; ++i) List(id)->insertItem(i, quality[i]);
  }
  for (int i = 0; i < kTimeZoneCount; ++i) {
    const std::string_view shown = TimeZoneDisplayText(i);
    List(kTimeZoneList)
        ->insertItem(i, QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size())));
  }
}

void SetupPageEnv::LoadChoices(const SetupChoices& c) {
  // -1 leaves a list without a selection.
  List(kDrivingImpactList)->setCurrentIndex(c.drivingImpact);
  List(kParkingImpactList)->setCurrentIndex(c.parkingImpact);
  List(kCutoffList)->setCurrentIndex(c.batCutoffVolt);
  List(kSdQuotaList)->setCurrentIndex(c.sdQuota);
  List(kMotionList)->setCurrentIndex(c.motionSensitivity);
  List(kDrivingQualityList)->setCurrentIndex(c.drivingQuality);
  List(kParkingQualityList)->setCurrentIndex(c.parkingQuality);
  List(kTimeZoneList)->setCurrentIndex(c.timeZone);
  sound_ = c.sound ? 1 : 0;
  voiceMent_ = c.voiceMent ? 1 : 0;
  pip_ = c.pip ? 1 : 0;
  mirror_ = c.mirror ? 1 : 0;
  Radio(sound_ ? kSoundOn : kSoundOff)->setChecked(true);
  Radio(voiceMent_ ? kVoiceOn : kVoiceOff)->setChecked(true);
  Radio(pip_ ? kPipOn : kPipOff)->setChecked(true);
  Radio(mirror_ ? kMirrorOn : kMirrorOff)->setChecked(true);
}

SetupChoices SetupPageEnv::Choices() const {
  SetupChoices c;
  c.drivingImpact = List(kDrivingImpactList)->currentIndex();
  c.parkingImpact = List(kParkingImpactList)->currentIndex();
  c.batCutoffVolt = List(kCutoffList)->currentIndex();
  c.sdQuota = List(kSdQuotaList)->currentIndex();
  c.motionSensitivity = List(kMotionList)->currentIndex();
  c.sound = sound_;
  c.voiceMent = voiceMent_;
  c.pip = pip_;
  c.mirror = mirror_;
  c.drivingQuality = List(kDrivingQualityList)->currentIndex();
  c.parkingQuality = List(kParkingQualityList)->currentIndex();
  c.timeZone = List(kTimeZoneList)->currentIndex();
  return c;
}

void SetupPageEnv::SetChoices(const SetupChoices& choices) { LoadChoices(choices); }

SetupWriteResult SetupPageEnv::Save() const {
  if (cardRoot_.isEmpty()) return SetupWriteResult::kUnchanged;
  return WriteSetupChoices(SetupDatPath(cardRoot_.toStdString()), Choices());
}

bool SetupPageEnv::SaveTime() {
  const bool saved = !cardRoot_.isEmpty() && WriteClockFile(cardRoot_.toStdString(), timeSource_());
  ShowLocalizedMessageBox(
      Text(saved ? "IDS_CAPTION_SETUP_TIME_SAVE_COMPLETE" : "IDS_CAPTION_SETUP_TIME_SAVE_FAIL"),
      QMessageBox::Ok, QMessageBox::Information);
  return saved;
}

void SetupPageEnv::SetTimeSource(LocalTimeSource source) {
  timeSource_ = source ? std::move(source) : LocalTimeSource(LocalTimeNow);
  RefreshClock();
}

void SetupPageEnv::RefreshClock() {
  static_cast<QLineEdit*>(Control(kClockField))
      ->setText(QString::fromStdString(FormatClockField(timeSource_())));
}

bool SetupPageEnv::IsClockRunning() const { return clockTimer_ && clockTimer_->isActive(); }

// --------------------------------------------------------------- the sheet

CSetupPropSheet::CSetupPropSheet(SetupPageEnv* page, QWidget* parent) : CWhiteTabWidget(parent) {
  setObjectName(QStringLiteral("CSetupPropSheet"));
  addTab(page, Text("IDS_CAPTION_SETUP"));
  SetBandLeft(500);
  setCurrentIndex(0);
}

// -------------------------------------------------------------- the dialog

CSettingDialog::CSettingDialog(const QString& cardRoot, QWidget* parent)
    : QDialog(parent), cardRoot_(cardRoot) {
  setObjectName(QStringLiteral("CSettingDialog"));
  // The title names the folder whose settings are edited.
  QString title = Text("IDS_CAPTION_SETUP_BLACKBOX");
  if (!cardRoot_.isEmpty()) {
    QString folder = cardRoot_;
    while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    title += QStringLiteral(" \u2014 ") + folder;
  }
  setWindowTitle(title);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);

  page_ = new SetupPageEnv(cardRoot_);
  sheet_ = new CSetupPropSheet(page_, this);
  sheet_->setGeometry(kSheetRect);

  const int buttonsY = kSheetRect.bottom() + 9;
  const int right = kSheetRect.right();
  ok_ = new QPushButton(Text("IDS_CAPTION_OK"), this);
  ok_->setObjectName(ControlName(kSettingsOkButton));
  ok_->setGeometry(right - 2 * kButtonWidth - 8, buttonsY, kButtonWidth, kButtonHeight);
  ok_->setAutoDefault(false);
  cancel_ = new QPushButton(Text("IDS_CAPTION_CANCEL"), this);
  cancel_->setObjectName(ControlName(kSettingsCancelButton));
  cancel_->setGeometry(right - kButtonWidth, buttonsY, kButtonWidth, kButtonHeight);
  cancel_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &CSettingDialog::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  if (cardRoot_.isEmpty()) {
    // Why every setting is greyed, in one line beside the buttons.
    auto* note = new QLabel(Text("IDS_CAPTION_SETUP_NO_CARD"), this);
    note->setObjectName(QStringLiteral("noCardNote"));
    note->setGeometry(kSheetRect.left(), buttonsY, right - 2 * kButtonWidth - 16 - kSheetRect.left(),
                      kButtonHeight);
    note->setWordWrap(false);
  }
  setFixedSize(right + 10, buttonsY + kButtonHeight + 10);
}

void CSettingDialog::OnOk() {
  if (page_->Save() == SetupWriteResult::kFailed) {
    // The card was pulled out or is write-protected: say so rather than close
    // as if the settings were on the card.
    ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_SD_FAIL"), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  accept();
}

// ------------------------------------------------------------ entry point

int RunSettingsDialog(QWidget* parent, const QString& cardRoot) {
  CSettingDialog dialog(cardRoot, parent);
  if (Driver()) {
    dialog.show();
    Driver()(dialog);
    dialog.hide();
    return dialog.result();
  }
  return dialog.exec();
}

void SetSettingsDialogDriverForTesting(std::function<void(CSettingDialog&)> driver) {
  Driver() = std::move(driver);
}

}  // namespace orvia
