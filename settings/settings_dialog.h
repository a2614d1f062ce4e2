// The settings dialog: CSettingDialog hosts the sheet CSetupPropSheet with its
// one page, SetupPageEnv, which shows the recorder's settings read from the
// card's setup.dat and the PC's clock. OK writes the settings, Cancel drops
// them; the page's clock button writes time.bin at once. UI thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>

#include "controls/white_tab_ctrl.h"
#include "settings/clock_file.h"
#include "settings/setup_file.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace orvia {

// Control ids of the dialog and its page; each control's object name is
// "ctl<id>".
enum SettingsControlId : int {
  kSettingsOkButton = 1047,
  kSettingsCancelButton = 1114,
  kDrivingImpactList = 1070,
  kParkingImpactList = 1071,
  kCutoffList = 1081,
  kSdQuotaList = 1083,
  kMotionList = 1085,
  kDrivingQualityList = 1132,
  kParkingQualityList = 1131,
  kTimeZoneList = 1150,
  kSoundOff = 1138,
  kSoundOn = 1139,
  kVoiceOff = 1140,
  kVoiceOn = 1141,
  kPipOff = 1142,
  kPipOn = 1143,
  kMirrorOff = 1144,
  kMirrorOn = 1145,
  kClockField = 1148,
  kClockButton = 1149,
};

// The page of every setting. It reads the card's settings file when it is
// built; the clock field shows the local time and is refreshed every second.
class SetupPageEnv : public QWidget {
  Q_OBJECT

 public:
  // `cardRoot` ends in its separator; empty when no card is in use (the page
  // then shows the defaults with every input disabled).
  explicit SetupPageEnv(const QString& cardRoot, QWidget* parent = nullptr);
  ~SetupPageEnv() override;

  // The control with this id, or null.
  QWidget* Control(int id) const;
  QComboBox* List(int id) const;
  QRadioButton* Radio(int id) const;

  // The choices the controls hold now.
  SetupChoices Choices() const;
  // Shows `choices` as if the user had picked them.
  void SetChoices(const SetupChoices& choices);

  // Writes the choices into the card's settings file; nothing without a card.
  SetupWriteResult Save() const;
  // The clock button: writes time.bin from the present local time and tells
  // the user whether it worked. Returns true on success.
  bool SaveTime();

  // Replaces where "now" comes from (tests) and refreshes the clock field.
  void SetTimeSource(LocalTimeSource source);
  // One tick of the 1 s clock timer: rewrites the clock field.
  void RefreshClock();
  bool IsClockRunning() const;

 private:
  void BuildControls();
  void FillLists();
  void LoadChoices(const SetupChoices& choices);
  QComboBox* AddList(int id, const QRect& rect);
  void AddRadioPair(int offId, int onId, int y, int* value);

  QString cardRoot_;
  LocalTimeSource timeSource_;
  QTimer* clockTimer_ = nullptr;
  std::map<int, QWidget*> controls_;
  // The four on/off values, 0 or 1; a click on a radio button sets them.
  int sound_ = 0;
  int voiceMent_ = 0;
  int pip_ = 0;
  int mirror_ = 0;
};

// The sheet: a white tab strip (band from x = 500) over the page.
class CSetupPropSheet : public CWhiteTabWidget {
  Q_OBJECT

 public:
  CSetupPropSheet(SetupPageEnv* page, QWidget* parent = nullptr);
};

class CSettingDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CSettingDialog(const QString& cardRoot, QWidget* parent = nullptr);

  SetupPageEnv* Page() const { return page_; }
  CSetupPropSheet* Sheet() const { return sheet_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // OK: saves the settings, then closes with Accepted. When the card's file
  // cannot be written the user is told and the dialog stays open.
  void OnOk();

 private:
  QString cardRoot_;
  SetupPageEnv* page_;
  CSetupPropSheet* sheet_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// The Setup button of the main window: runs the dialog modally for the card at
// `cardRoot` (COrviaDlg::CardRoot(); empty when no card). Returns
// QDialog::Accepted or QDialog::Rejected.
int RunSettingsDialog(QWidget* parent, const QString& cardRoot);

// Test support: while a driver is set, RunSettingsDialog builds and shows the
// dialog and hands it to the driver instead of running the modal loop; the
// dialog's result (Accepted once OK succeeded) is returned. An empty function
// restores the modal run.
void SetSettingsDialogDriverForTesting(std::function<void(CSettingDialog&)> driver);

}  // namespace orvia
