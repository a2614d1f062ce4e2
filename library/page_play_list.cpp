#include "library/page_play_list.h"

#include <QComboBox>
#include <QLabel>

#include "base/localized_text.h"
#include "controls/colored_list_ctrl.h"
#include "library/path_sources.h"
#include "library/play_list.h"
#include "library/recording_names.h"

namespace orvia {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

// Dialog units of the page's layout to pixels (the dialog font's average
// character is 6 by 13 pixels).
int DuX(int x) { return x * 3 / 2; }
int DuY(int y) { return y * 13 / 8; }
QRect DuRect(int x, int y, int w, int h) { return QRect(DuX(x), DuY(y), DuX(w), DuY(h)); }

QString ControlName(int id) { return QString("ctl%1").arg(id); }

}  // namespace

CPagePlayList::CPagePlayList(CardEnvironment env, QWidget* parent) : QWidget(parent), env_(std::move(env)) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  resize(DuX(319), DuY(360));

  sdLabel_ = new QLabel(Text("IDS_CAPTION_LIST_SD"), this);
  sdLabel_->setObjectName(ControlName(kSdLabel));
  sdLabel_->setGeometry(DuRect(9, 16, 89, 8));
  modeLabel_ = new QLabel(Text("IDS_CAPTION_MODE"), this);
  modeLabel_->setObjectName(ControlName(kModeLabel));
  modeLabel_->setGeometry(DuRect(9, 39, 89, 8));

  cards_ = new QComboBox(this);
  cards_->setObjectName(ControlName(kCardSelection));
  cards_->move(DuX(105), DuY(13));
  cards_->resize(DuX(146), cards_->sizeHint().height());
  modes_ = new QComboBox(this);
  modes_->setObjectName(ControlName(kModeFilter));
  modes_->move(DuX(105), DuY(35));
  modes_->resize(DuX(146), modes_->sizeHint().height());
  // The labels sit on the middle of their selections.
  for (auto [label, combo] : {std::pair{sdLabel_, cards_}, std::pair{modeLabel_, modes_}}) {
    QRect r = label->geometry();
    r.moveTop(combo->y() + (combo->height() - r.height()) / 2);
    label->setGeometry(r);
  }

  list_ = new CColoredListCtrl(this);
  list_->setObjectName(ControlName(kList));
  list_->setGeometry(DuRect(0, 60, 319, 299));
  // The column widths were made for a small dialog font: a condensed face
  // keeps a whole date and time readable in them.
  QFont listFont("DejaVu Sans Condensed");
  listFont.setPixelSize(11);
  list_->setFont(listFont);
  const char* const headers[5] = {"IDS_CAPTION_LIST_NUMBER", "IDS_CAPTION_LIST_DATE", "IDS_CAPTION_LIST_TIME",
                                  "IDS_CAPTION_LIST_TYPE", "IDS_CAPTION_LIST_PATH"};
  for (int c = 0; c < 5; ++c) list_->InsertColumn(c, Text(headers[c]), kColumnWidths[c]);

  roots_ = FindCardDrives(env_);
  for (const std::string& root : roots_) cards_->addItem(QString::fromStdString(CardDriveText(root)));
  if (roots_.empty()) cards_->addItem(Text("IDS_CAPTION_DISK_NONE"));
  AddFolderEntry();
  cards_->setCurrentIndex(0);

  modes_->insertItem(0, Text(kAllModesKey));
  for (const ModeFolder& folder : kModeFolders)
    modes_->insertItem(folder.filterIndex, Text(folder.filterKey));
  modes_->setCurrentIndex(0);

  connect(cards_, &QComboBox::currentIndexChanged, this, [this] { OnSelectionChanged(); });
  connect(modes_, &QComboBox::currentIndexChanged, this, [this] { OnSelectionChanged(); });
  ScanPlayList(cards_->currentText());
}

QString CPagePlayList::CardText() const {
  const int index = cards_->currentIndex();
  if (index < 0 || index >= static_cast<int>(roots_.size())) return {};
  return QString::fromStdString(CardDriveText(roots_[index]));
}

int CPagePlayList::ScanPlayList(const QString& cardText) {
  // Only a card found when the page opened is scanned: the no-card text, or
  // any other text, leaves the list as it is.
  const std::string text = cardText.toStdString();
  const std::string* root = nullptr;
  size_t index = 0;
  for (size_t i = 0; i < roots_.size(); ++i) {
    if (CardDriveText(roots_[i]) != text) continue;
    root = &roots_[i];
    index = i;
  }
  if (root == nullptr) return 0;

  list_->DeleteAllItems();
  const int mode = modes_->currentIndex() < 0 ? 0 : modes_->currentIndex();
  // A card found on the drives is scanned by the recorder's layout; a folder
  // the user added may hold loose recordings as well.
  const std::vector<PlayListRow> rows =
      index < foundCards_ ? orvia::ScanPlayList(*root, mode) : ScanFolderPlayList(*root, mode);
  for (const PlayListRow& row : rows) {
    list_->AddRow({QString::fromStdString(row.number), QString::fromStdString(row.date),
                   QString::fromStdString(row.time), QString::fromStdString(row.type),
                   QString::fromStdString(row.path)});
  }
  return list_->RowCount();
}

QList<QStringList> CPagePlayList::Rows() const {
  QList<QStringList> rows;
  rows.reserve(list_->RowCount());
  for (int r = 0; r < list_->RowCount(); ++r) {
    QStringList texts;
    for (int c = 0; c < 5; ++c) texts.append(list_->RowText(r, c));
    rows.append(texts);
  }
  return rows;
}

void CPagePlayList::OnSelectionChanged() {
  if (IsAddFolderEntry(cards_->currentIndex())) return OnAddFolder();
  lastCardIndex_ = cards_->currentIndex();
  ScanPlayList(cards_->currentText());
}

}  // namespace orvia
