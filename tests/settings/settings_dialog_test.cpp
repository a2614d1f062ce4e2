// The settings dialog driven without a modal loop: controls found by their
// ids, message boxes answered in advance.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <filesystem>
#include <fstream>

#include "controls/message_box.h"
#include "settings/default_setup.h"
#include "settings/settings_dialog.h"
#include "settings/time_zones.h"
#include "tests/settings/card_fixture.h"

namespace orvia {
namespace {

using test::TempCard;

constexpr ClockTime kNow{2013, 3, 1, 9, 5, 3};
const std::string kTokyo = "(GMT+09:00) Osaka, Sapporo, Seoul, Tokyo, Yakutsk";

QStringList Entries(QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

QString LabelText(const SetupPageEnv* page, int id) {
  if (auto* l = qobject_cast<QLabel*>(page->Control(id))) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(page->Control(id))) return g->title();
  return QStringLiteral("<none>");
}

QStringList ShownTexts() {
  QStringList texts;
  for (const ShownMessageBox& box : TakeShownMessageBoxes()) texts << box.text;
  return texts;
}

const int kLists[] = {kDrivingImpactList, kParkingImpactList,  kCutoffList,         kSdQuotaList,
                      kMotionList,        kDrivingQualityList, kParkingQualityList, kTimeZoneList};
const int kRadios[] = {kSoundOff, kSoundOn, kVoiceOff, kVoiceOn, kPipOff, kPipOn, kMirrorOff, kMirrorOn};

// What the lists show, in the order of kLists, then sound, voice, PIP and
// mirror as on, off or none.
std::string Shown(const SetupPageEnv* page) {
  QStringList texts;
  for (int id : kLists) texts << page->List(id)->currentText();
  for (int i = 0; i < 8; i += 2)
    texts << (page->Radio(kRadios[i + 1])->isChecked() ? "on"
              : page->Radio(kRadios[i])->isChecked()   ? "off"
                                                       : "none");
  return texts.join(" | ").toStdString();
}

TEST(SettingsDialog, OpensWithTheCardsSettingsAndTheStringFilesTexts) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  CSettingDialog dialog(card.QRoot());
  const SetupPageEnv* page = dialog.Page();

  // The title names the folder whose settings are edited.
  EXPECT_EQ(dialog.windowTitle(), "Blackbox settings \u2014 " + card.QRoot().chopped(1));
  EXPECT_EQ(dialog.findChild<QLabel*>("noCardNote"), nullptr);
  EXPECT_EQ(dialog.OkButton()->text(), "OK");
  EXPECT_EQ(dialog.CancelButton()->text(), "CANCEL");
  EXPECT_EQ(dialog.Sheet()->count(), 1);
  EXPECT_EQ(dialog.Sheet()->tabText(0), "Settings");

  EXPECT_EQ(LabelText(page, 1067), QString::fromUtf8("\u25B6 Driving"));
  EXPECT_EQ(LabelText(page, 1133), "");  // the on/off group has no title
  EXPECT_EQ(LabelText(page, 1137), QString::fromUtf8("\u25B6 Rear view mirroring  "));
  EXPECT_EQ(page->Radio(kSoundOff)->text(), "Off");
  EXPECT_EQ(page->Radio(kSoundOn)->text(), "On");
  EXPECT_EQ(qobject_cast<QPushButton*>(page->Control(kClockButton))->text(), "Save time");

  EXPECT_EQ(Entries(page->List(kDrivingImpactList)), QStringList({"Insensitive", "Normal", "Sensitive"}));
  EXPECT_EQ(Entries(page->List(kCutoffList)),
            QStringList({"11.5 V", "11.7 V", "11.9 V", "12.1 V", "5 Hour", "10 Hour", "24 Hour", "48 Hour"}));
  EXPECT_EQ(page->List(kTimeZoneList)->count(), kTimeZoneCount);

  // The default file's values.
  EXPECT_EQ(Shown(page),
            "Normal | Normal | 11.9 V | 50 % | Normal | High | High | " + kTokyo + " | on | on | on | off");
  for (int id : kLists) EXPECT_TRUE(page->Control(id)->isEnabled()) << id;
}

TEST(SettingsDialog, WithoutACardShowsDefaultsDisabledAndWritesNothing) {
  CSettingDialog dialog(QString{});
  SetupPageEnv* page = dialog.Page();
  page->SetTimeSource([] { return kNow; });
  for (int id : kLists) EXPECT_FALSE(page->Control(id)->isEnabled()) << id;
  for (int id : kRadios) EXPECT_FALSE(page->Control(id)->isEnabled()) << id;
  EXPECT_FALSE(page->Control(kClockButton)->isEnabled());
  // Why, in one line.
  EXPECT_EQ(dialog.windowTitle(), "Blackbox settings");
  auto* note = dialog.findChild<QLabel*>("noCardNote");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().startsWith("No card to edit")) << note->text().toStdString();
  // The viewer's defaults: as the default file but motion sensitivity 2.
  EXPECT_EQ(Shown(page), "Normal | Normal | 11.9 V | 50 % | Sensitive | High | High | " + kTokyo +
                             " | on | on | on | off");
  // The clock keeps running.
  EXPECT_TRUE(page->IsClockRunning());
  EXPECT_EQ(qobject_cast<QLineEdit*>(page->Control(kClockField))->text(), "2013/03/01 09:05:03");

  const std::filesystem::path cwd = std::filesystem::current_path();
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(std::filesystem::exists(cwd / "Config"));
  EXPECT_TRUE(ShownTexts().isEmpty());
}

TEST(SettingsDialog, OkWritesTheChoicesCancelLeavesTheFile) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  {
    CSettingDialog dialog(card.QRoot());
    SetupPageEnv* page = dialog.Page();
    for (int id : kLists) page->List(id)->setCurrentIndex(0);
    page->Radio(kMirrorOn)->click();
    page->Radio(kSoundOff)->click();
    dialog.CancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(card.ReadSetup(), DefaultSetupDat());

  CSettingDialog dialog(card.QRoot());
  SetupPageEnv* page = dialog.Page();
  page->List(kParkingImpactList)->setCurrentIndex(2);
  page->List(kCutoffList)->setCurrentIndex(7);
  page->List(kMotionList)->setCurrentIndex(0);
  page->List(kDrivingQualityList)->setCurrentIndex(1);
  page->List(kTimeZoneList)->setCurrentIndex(30);
  page->Radio(kVoiceOff)->click();
  page->Radio(kMirrorOn)->click();
  EXPECT_EQ(page->Choices().voiceMent, 0);  // a click sets the value at once
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(card.ReadSetup(),
            "[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\nPARKING_IMPACT=2\r\nSOUND=1\r\nSD_QUOTA=2\r\n"
            "VOICE_MENT=0\r\nGMT=-12.0\r\nBAT_CUTOFF_VOLT=7\r\nPIP=1\r\nMIRROR=1\r\nDRIVING_QUALITY=1\r\n"
            "PARKING_QUALITY=0\r\nFORMAT_YEAR=2012\r\nFORMAT_MONTH=10\r\nFORMAT_DAY=26\r\nBOOT_YEAR=2012\r\n"
            "BOOT_MONTH=10\r\nBOOT_DAY=26\r\nBOOT_HOUR=17\r\nBOOT_MIN=12\r\nBOOT_SEC=11\r\nBOOT_ERROR=0\r\n"
            "MOTION_SENSITIVITY=0\r\nREBOOTING=0\r\n");
}

TEST(SettingsDialog, UnknownValuesShowNoSelectionAndSurviveOk) {
  TempCard card;
  std::string text(DefaultSetupDat());
  text.replace(text.find("BAT_CUTOFF_VOLT=2"), 17, "BAT_CUTOFF_VOLT=9");
  text.replace(text.find("GMT=-9.0"), 8, "GMT=+13.0");
  card.WriteSetup(text);
  CSettingDialog dialog(card.QRoot());
  EXPECT_EQ(dialog.Page()->List(kCutoffList)->currentIndex(), -1);
  EXPECT_EQ(dialog.Page()->List(kTimeZoneList)->currentIndex(), -1);
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(card.ReadSetup(), text);
}

TEST(SettingsDialog, OkOnACardThatCannotBeWrittenSaysSoAndStaysOpen) {
  TempCard card;
  card.RemoveConfig();
  CSettingDialog dialog(card.QRoot());
  QueueMessageBoxAnswer(QMessageBox::Ok);
  dialog.OkButton()->click();
  EXPECT_EQ(ShownTexts(), QStringList({"Micro SD memory is not connected or prevent from writing."}));
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(std::filesystem::exists(card.Root() + "Config"));
}

TEST(SettingsDialog, ClockButtonWritesTimeAtOnceAndReports) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  CSettingDialog dialog(card.QRoot());
  SetupPageEnv* page = dialog.Page();
  ClockTime now = kNow;
  page->SetTimeSource([&now] { return now; });
  auto* field = qobject_cast<QLineEdit*>(page->Control(kClockField));
  EXPECT_EQ(field->text(), "2013/03/01 09:05:03");
  EXPECT_EQ(field->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_TRUE(field->isReadOnly());
  now.second = 4;
  page->RefreshClock();  // one tick of the 1 s timer
  EXPECT_EQ(field->text(), "2013/03/01 09:05:04");

  QueueMessageBoxAnswer(QMessageBox::Ok);
  qobject_cast<QPushButton*>(page->Control(kClockButton))->click();
  EXPECT_EQ(ShownTexts(), QStringList({"Complete saving time"}));
  // Cancel afterwards keeps the clock file and leaves setup.dat alone.
  dialog.CancelButton()->click();
  EXPECT_EQ(ini::ReadFileBytes(card.Root() + "Config/time.bin"), "2013 03 01 09 05 04");
  EXPECT_EQ(card.ReadSetup(), DefaultSetupDat());

  // A card folder that cannot take the file: the failure message.
  card.RemoveConfig();
  { std::ofstream(card.Root() + "Config") << "x"; }
  QueueMessageBoxAnswer(QMessageBox::Ok);
  EXPECT_FALSE(page->SaveTime());
  EXPECT_EQ(ShownTexts(), QStringList({"Can't save time"}));
}

TEST(SettingsDialog, RunsThroughTheTestDriver) {
  TempCard card;
  card.WriteSetup(DefaultSetupDat());
  SetSettingsDialogDriverForTesting([](CSettingDialog& dialog) {
    dialog.Page()->Radio(kPipOff)->click();
    dialog.OkButton()->click();
  });
  EXPECT_EQ(RunSettingsDialog(nullptr, card.QRoot()), QDialog::Accepted);
  SetSettingsDialogDriverForTesting({});
  EXPECT_NE(card.ReadSetup().find("\r\nPIP=0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace orvia
