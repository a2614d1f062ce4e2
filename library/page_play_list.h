// CPagePlayList: the play-list page of the disk manager. The user picks a
// card and a recording mode; the page lists every recording of that card,
// sorted by date and time and numbered from 001. UI thread only.
#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "library/card_drives.h"
#include "library/disk_page.h"

class QComboBox;
class QLabel;
class CColoredListCtrl;

namespace orvia {

class CPagePlayList : public QWidget, public DiskPage {
  Q_OBJECT

 public:
  // Control ids of the page (also the object names "ctl<id>").
  enum ControlId : int {
    kList = 1024,
    kSdLabel = 1028,
    kModeLabel = 1029,
    kCardSelection = 1030,
    kModeFilter = 1031,
  };
  // Column widths of the page's list, in pixels.
  static constexpr int kColumnWidths[5] = {35, 72, 58, 89, 300};

  // Fills the labels, the columns and both selections from the cards that
  // `env` describes, then scans the first card.
  explicit CPagePlayList(CardEnvironment env, QWidget* parent = nullptr);

  // The selected card's text (its root without the trailing '/'); empty when
  // the no-card entry is shown.
  QString CardText() const override;

  // Rebuilds the list for the card with this text and the selected mode;
  // returns the number of rows. A text that names no card found (the no-card
  // entry) returns 0 and leaves the list as it is.
  int ScanPlayList(const QString& cardText);

  // The list's rows, five texts each, in list order.
  QList<QStringList> Rows() const;

  CColoredListCtrl* List() const { return list_; }
  QComboBox* CardSelection() const { return cards_; }
  QComboBox* ModeFilter() const { return modes_; }
  // The card roots found when the page opened, in selection order, then
  // the folders the user added.
  const std::vector<std::string>& CardRoots() const { return roots_; }

  // The last entry of the card selection, "Add folder…", asks for a folder
  // (page_play_list_folder.cpp): a card copied to the disk, or any folder
  // holding recordings. The chooser returns the folder, or empty on cancel.
  using FolderChooser = std::function<QString(QWidget* parent)>;
  static void SetFolderChooserForTesting(FolderChooser chooser);
  // Adds a folder to the card selection (once), selects it and lists it;
  // returns the number of rows.
  int AddFolder(const QString& folder);
  bool IsAddFolderEntry(int index) const;

 private:
  void OnSelectionChanged();
  void AddFolderEntry();
  void OnAddFolder();

  CardEnvironment env_;
  std::vector<std::string> roots_;
  QLabel* sdLabel_;
  QLabel* modeLabel_;
  QComboBox* cards_;
  QComboBox* modes_;
  CColoredListCtrl* list_;
  int lastCardIndex_ = 0;  // selection before "Add folder…" was chosen
  size_t foundCards_ = 0;  // roots_ found on the drives; the user's added folders follow
};

}  // namespace orvia
