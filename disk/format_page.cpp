#include "disk/format_page.h"

#include <unistd.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/localized_text.h"
#include "controls/message_box.h"
#include "disk/format_dialog.h"
#include "disk/format_service.h"

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

// "/media/card  (/dev/sdb1, 7.4 GB, FAT32, CARD)"
QString EntryText(const format::CardCandidate& card) {
  QStringList details;
  if (!card.mountPoint.empty()) details << QString::fromStdString(card.devicePath);
  if (card.totalBytes != 0) details << QString::fromStdString(format::SizeTextBefore(card.totalBytes));
  if (!card.fileSystem.empty()) details << QString::fromStdString(card.fileSystem);
  if (!card.label.empty()) details << QString::fromStdString(card.label);
  const QString root = QString::fromStdString(format::CardRootText(card));
  return details.isEmpty() ? root : QStringLiteral("%1  (%2)").arg(root, details.join(QStringLiteral(", ")));
}

}  // namespace

CDlgFormat::CDlgFormat(QWidget* parent, FormatEnvironment environment)
    : QWidget(parent), environment_(std::move(environment)) {
  setObjectName(QStringLiteral("formatPage"));
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  description_ = new QLabel(QString(), this);
  description_->setObjectName(QStringLiteral("ctl1034"));
  description_->setWordWrap(true);
  auto* caption = new QLabel(Text("IDS_CAPTION_DISK_DRIVE"), this);
  caption->setObjectName(QStringLiteral("ctl1035"));
  drives_ = new QComboBox(this);
  drives_->setObjectName(QStringLiteral("ctl1030"));
  drives_->setMinimumWidth(260);
  caption->setBuddy(drives_);
  start_ = new QPushButton(Text("IDS_CAPTION_DISK_FORMAT_START"), this);
  start_->setObjectName(QStringLiteral("ctl1038"));

  auto* row = new QHBoxLayout;
  row->addWidget(caption);
  row->addWidget(drives_, 1);
  row->addWidget(start_);
  note_ = new QLabel(Text("IDS_CAPTION_DISK_FORMAT_NEEDS_SERVICE"), this);
  note_->setObjectName(QStringLiteral("needsServiceNote"));
  note_->setWordWrap(true);
  note_->setStyleSheet(QStringLiteral("color: #b00020;"));
  note_->hide();
  rightNote_ = new QLabel(QString(), this);
  rightNote_->setObjectName(QStringLiteral("rightNote"));
  rightNote_->setWordWrap(true);
  rightNote_->hide();
  if (!environment_.canFormat)
    environment_.canFormat = [](const format::CardCandidate& card) {
      return !card.objectPath.empty() || geteuid() == 0 || access(card.devicePath.c_str(), W_OK) == 0;
    };
  if (!environment_.rightNote) environment_.rightNote = FormatRightNote;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->addWidget(description_);
  layout->addLayout(row);
  layout->addWidget(note_);
  layout->addWidget(rightNote_);
  layout->addStretch(1);

  connect(start_, &QPushButton::clicked, this, &CDlgFormat::OpenFormatDialog);
  connect(drives_, &QComboBox::currentIndexChanged, this, &CDlgFormat::ShowSelected);
  ScanCards({});

  if (cards_.empty()) {
    // Told once the sheet is up; a queued call, so the sheet has connected
    // closeRequested by then.
    QMetaObject::invokeMethod(
        this,
        [this] {
          ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_SD_FAIL"), QMessageBox::Ok, QMessageBox::Critical);
          emit closeRequested();
        },
        Qt::QueuedConnection);
  }
}

void CDlgFormat::ScanCards(const std::string& keepDevice) {
  cards_ = environment_.findCards ? environment_.findCards() : FindFormatCards(environment_.system);
  drives_->clear();
  int selected = 0;
  for (size_t i = 0; i < cards_.size(); ++i) {
    drives_->addItem(EntryText(cards_[i]));
    if (!keepDevice.empty() && cards_[i].devicePath == keepDevice) selected = static_cast<int>(i);
  }
  if (!cards_.empty()) drives_->setCurrentIndex(selected);
  ShowSelected();
}

void CDlgFormat::ShowSelected() {
  const int i = SelectedIndex();
  if (i < 0 || i >= static_cast<int>(cards_.size())) {
    start_->setEnabled(false);
    note_->hide();
    rightNote_->hide();
    return;
  }
  // A card that is plainly there but cannot be written by this user: Start
  // would only fail, so the page says what formatting needs instead.
  const bool writable = environment_.canFormat(cards_[i]);
  start_->setEnabled(writable);
  note_->setVisible(!writable);
  // Told before Start, so that a password dialog or a refusal comes as no
  // surprise.
  const QString rights = writable ? QString::fromStdString(environment_.rightNote(cards_[i])) : QString();
  rightNote_->setText(rights);
  rightNote_->setVisible(!rights.isEmpty());
}

int CDlgFormat::SelectedIndex() const { return drives_->currentIndex(); }

QString CDlgFormat::CardText() const {
  const int index = SelectedIndex();
  if (index < 0 || index >= static_cast<int>(cards_.size())) return {};
  const format::CardCandidate& card = cards_[static_cast<size_t>(index)];
  // A card the disk service lists is mounted through it when it is not (its
  // word on a mount is current); a card found otherwise is looked up in the
  // mount table.
  if (!card.objectPath.empty()) return QString::fromStdString(format::CardRootText({MountedCardRoot(card)}));
  if (card.mountPoint.empty() || !format::IsMountPoint(card.mountPoint, environment_.system)) return {};
  return QString::fromStdString(format::CardRootText(card));
}

void CDlgFormat::OpenFormatDialog() {
  const int index = SelectedIndex();
  if (index < 0 || index >= static_cast<int>(cards_.size())) return;
  const format::CardCandidate card = cards_[static_cast<size_t>(index)];
  {
    CDlgFormatOption dialog(card, environment_.tools, environment_.system, this);
    connect(&dialog, &CDlgFormatOption::formatFinished, this, [this] { formatRan_ = true; });
    if (runner_)
      runner_(dialog);
    else
      dialog.exec();
  }
  // The card has changed (unmounted, new file system and label): list it anew.
  ScanCards(card.devicePath);
}

std::function<QWidget*(QWidget*)> MakeFormatPageFactory(FormatEnvironment environment) {
  return [environment](QWidget* parent) -> QWidget* { return new CDlgFormat(parent, environment); };
}

}  // namespace orvia
