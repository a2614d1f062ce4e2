// CDlgFormat: the format page of the disk manager sheet. Lists the removable
// cards, opens the options dialog (CDlgFormatOption) for the chosen one, and
// tells the sheet to close when there is no card. UI thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "disk/format_logic.h"
#include "library/disk_page.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orvia {

class CDlgFormatOption;

// What the page works on; tests replace the card list and the tools.
struct FormatEnvironment {
  std::function<std::vector<format::CardCandidate>()> findCards;  // empty: FindRemovableCards(system)
  format::FormatTools tools;
  format::SystemPaths system;
  // Whether this user can format `card` at all: through the disk service (it
  // lists the card), as root, or with write access to its device. Empty: so.
  std::function<bool(const format::CardCandidate&)> canFormat;
  // What the system will ask before it lets this user format `card` (an
  // administrator's password), or that it refuses; empty when nothing.
  // Empty: FormatRightNote.
  std::function<std::string(const format::CardCandidate&)> rightNote;
};

class CDlgFormat : public QWidget, public DiskPage {
  Q_OBJECT

 public:
  explicit CDlgFormat(QWidget* parent = nullptr, FormatEnvironment environment = {});

  // The chosen card's root (its mount point without a trailing separator).
  // A card the disk service lists is mounted through it first when it is
  // not; any other card only while it is mounted; empty otherwise.
  QString CardText() const override;
  bool ChangedCards() const override { return formatRan_; }

  // The cards listed, in list order.
  const std::vector<format::CardCandidate>& Cards() const { return cards_; }
  int SelectedIndex() const;

  // The start button: opens the options dialog for the selected card.
  void OpenFormatDialog();
  // How the options dialog is run; exec() unless a test drives it.
  void SetDialogRunner(std::function<void(CDlgFormatOption&)> runner) { runner_ = std::move(runner); }

 signals:
  // No card was found: the sheet closes as on cancel. Posted after the page's
  // message was answered, so the sheet is complete when it arrives.
  void closeRequested();

 private:
  void ScanCards(const std::string& keepDevice);
  // Start and the notes below it for the selected card.
  void ShowSelected();

  FormatEnvironment environment_;
  std::vector<format::CardCandidate> cards_;
  std::function<void(CDlgFormatOption&)> runner_;
  QLabel* description_ = nullptr;
  QComboBox* drives_ = nullptr;
  QPushButton* start_ = nullptr;
  QLabel* note_ = nullptr;       // why Start cannot work, when it cannot
  QLabel* rightNote_ = nullptr;  // the password the system will ask for
  bool formatRan_ = false;
};

// The name the disk manager sheet knows the page by.
using CPageFormat = CDlgFormat;

// The factory the disk manager sheet creates the page with.
std::function<QWidget*(QWidget*)> MakeFormatPageFactory(FormatEnvironment environment = {});

}  // namespace orvia
