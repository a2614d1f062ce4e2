// CDiskMgrPropSheet: the disk manager. A frameless modal dialog with its own
// dark title band and close button, holding the white-banded tab sheet with
// the play-list page and the format page. On OK it hands back the page that
// was on top, the play list's rows (play-list page only) and the chosen
// card's text. UI thread only.
#pragma once

#include <QDialog>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <functional>

#include "controls/window_drag.h"
#include "library/card_drives.h"

class QPushButton;
class CxSkinButton;
class CWhiteTabWidget;

namespace orvia {

class CPagePlayList;

// Builds the format page as a child of `parent`; the widget must also be a
// DiskPage. The sheet builds it when its tab is first chosen. When it finds
// no card to format it says so and emits closeRequested(): the sheet then
// goes back to the play list and stays open.
using FormatPageFactory = std::function<QWidget*(QWidget* parent)>;

// What the disk manager hands back when it closes.
struct DiskManagerResult {
  bool accepted = false;
  int pageIndex = -1;         // page on top at OK: 0 play list, 1 format
  QList<QStringList> rows;    // play-list rows in page order (page 0 only)
  QString cardText;           // the chosen card's root without its '/'; may be empty
  bool cardsChanged = false;  // a format ran, whether the sheet was accepted or not
};

class CDiskMgrPropSheet : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kCloseButton = 1004,
    kSheetFrame = 1027,
    kOkButton = 1047,
    kCancelButton = 2,
  };
  static constexpr int kTitleBandHeight = 23;
  static constexpr int kBandLeft = 136;

  CDiskMgrPropSheet(CardEnvironment env, FormatPageFactory formatPage, QWidget* parent = nullptr);
  ~CDiskMgrPropSheet() override;

  CPagePlayList* PlayListPage() const { return playList_; }
  // The format page from the factory; null without one, and until its tab is
  // chosen.
  QWidget* FormatPage() const { return formatPage_; }
  CWhiteTabWidget* Tabs() const { return tabs_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  CxSkinButton* CloseButton() const { return close_; }

  // Filled by accept(); empty after a cancel.
  const DiskManagerResult& Result() const { return result_; }
  // Whether a page changed a card while the sheet was open.
  bool CardsChanged() const;

 public slots:
  // Every close with OK (the OK button, Enter) records the page on top and
  // hands back its choice.
  void accept() override;
  void reject() override;

 private slots:
  void OnFormatPageCloseRequest();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MakeFormatPage();

  CPagePlayList* playList_ = nullptr;
  FormatPageFactory formatFactory_;
  QWidget* formatHolder_ = nullptr;  // the format tab; holds the page once made
  QWidget* formatPage_ = nullptr;
  CWhiteTabWidget* tabs_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  CxSkinButton* close_ = nullptr;
  QFont titleFont_;
  DiskManagerResult result_;
  WindowDrag drag_;
};

// Runs the sheet once. Without a driver the sheet runs modally; a driver
// (tests) gets the shown sheet instead of the modal loop and may press its
// buttons; a sheet it leaves open is cancelled.
using DiskManagerDriver = std::function<void(CDiskMgrPropSheet& sheet)>;
DiskManagerResult RunDiskManager(QWidget* parent, const CardEnvironment& env, FormatPageFactory formatPage,
                                 const DiskManagerDriver& driver = {});
// The same on the running system, with the folders the user named as cards.
DiskManagerResult RunDiskManager(QWidget* parent, const QStringList& userCards, FormatPageFactory formatPage,
                                 const DiskManagerDriver& driver = {});

}  // namespace orvia
