// The play-list page's "Add folder…" entry: a card copied to the disk, or any
// folder holding recordings, joins the cards found on the drives.
#include <QComboBox>
#include <QFileDialog>
#include <QSignalBlocker>

#include "base/localized_text.h"
#include "library/card_drives.h"
#include "library/page_play_list.h"

namespace orvia {
namespace {

CPagePlayList::FolderChooser& Chooser() {
  static CPagePlayList::FolderChooser chooser;
  return chooser;
}

QString ChooseFolder(QWidget* parent) {
  if (Chooser()) return Chooser()(parent);
  return QFileDialog::getExistingDirectory(
      parent, QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_ADD_FOLDER")), QDir::homePath());
}

}  // namespace

void CPagePlayList::SetFolderChooserForTesting(FolderChooser chooser) { Chooser() = std::move(chooser); }

void CPagePlayList::AddFolderEntry() {
  foundCards_ = roots_.size();
  cards_->addItem(QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_ADD_FOLDER")));
}

bool CPagePlayList::IsAddFolderEntry(int index) const { return index >= 0 && index == cards_->count() - 1; }

void CPagePlayList::OnAddFolder() {
  const QString folder = ChooseFolder(this);
  if (!folder.isEmpty()) {
    AddFolder(folder);
    return;
  }
  // Cancelled: the card shown before stays chosen.
  const QSignalBlocker block(cards_);
  cards_->setCurrentIndex(lastCardIndex_);
}

int CPagePlayList::AddFolder(const QString& folder) {
  const std::string root = TrimTrailingSeparators(folder.toStdString()) + "/";
  const QSignalBlocker block(cards_);
  int index = -1;
  for (size_t i = 0; i < roots_.size(); ++i)
    if (roots_[i] == root) index = static_cast<int>(i);
  if (index < 0) {
    if (roots_.empty()) cards_->removeItem(0);  // the no-card entry makes way
    roots_.push_back(root);
    index = static_cast<int>(roots_.size()) - 1;
    cards_->insertItem(index, QString::fromStdString(CardDriveText(root)));
  }
  cards_->setCurrentIndex(index);
  lastCardIndex_ = index;
  return ScanPlayList(cards_->currentText());
}

}  // namespace orvia
