#include "disk/disk_manager.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/localized_text.h"
#include "controls/skin_button.h"
#include "controls/skin_ids.h"
#include "controls/white_tab_ctrl.h"
#include "library/disk_page.h"
#include "library/page_play_list.h"
#include "library/udisks_client.h"

namespace orvia {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

constexpr int kMargin = 14;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;

}  // namespace

CDiskMgrPropSheet::CDiskMgrPropSheet(CardEnvironment env, FormatPageFactory formatPage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName("CDiskMgrPropSheet");
  setModal(true);
  setWindowTitle(QStringLiteral("DiskMgr"));

  tabs_ = new CWhiteTabWidget(this);
  tabs_->setObjectName(QString("ctl%1").arg(kSheetFrame));
  tabs_->setAutoFillBackground(true);
  QPalette white = tabs_->palette();
  white.setColor(QPalette::Window, Qt::white);
  tabs_->setPalette(white);
  tabs_->SetBandLeft(kBandLeft);

  playList_ = new CPagePlayList(std::move(env), tabs_);
  tabs_->addTab(playList_, Text("IDS_CAPTION_LIST"));
  if (formatPage) {
    // The format page is made when its tab is first chosen: its search for
    // a card, and its message when there is none, belong to that choice and
    // not to every opening of the sheet.
    formatFactory_ = std::move(formatPage);
    formatHolder_ = new QWidget(tabs_);
    formatHolder_->setObjectName(QStringLiteral("formatHolder"));
    auto* holderLayout = new QVBoxLayout(formatHolder_);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    tabs_->addTab(formatHolder_, Text("IDS_CAPTION_DISK_FORMAT_SD"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
      if (index == 1) MakeFormatPage();
    });
  }
  tabs_->setCurrentIndex(0);

  const QSize page = playList_->size();
  const int tabsWidth = page.width() + 6;
  const int tabsHeight = page.height() + tabs_->tabBar()->sizeHint().height() + 6;
  tabs_->setGeometry(kMargin, kTitleBandHeight + 2, tabsWidth, tabsHeight);

  const int width = kMargin + tabsWidth + kMargin;
  const int buttonsTop = tabs_->geometry().bottom() + 1 + 10;
  const int height = buttonsTop + kButtonHeight + 12;
  setFixedSize(width, height);

  ok_ = new QPushButton(Text("IDS_CAPTION_OK"), this);
  ok_->setObjectName(QString("ctl%1").arg(kOkButton));
  cancel_ = new QPushButton(Text("IDS_CAPTION_CANCEL"), this);
  cancel_->setObjectName(QString("ctl%1").arg(kCancelButton));
  cancel_->setGeometry(width - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
  ok_->setGeometry(cancel_->x() - 8 - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
  // Enter acts as the OK button, so every close with OK carries its page.
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CDiskMgrPropSheet::accept);
  connect(cancel_, &QPushButton::clicked, this, &CDiskMgrPropSheet::reject);

  close_ = new CxSkinButton(this, kCloseButton);
  close_->SetSkin(skin::kCloseNormal, skin::kClosePressed, skin::kCloseHover);
  close_->setGeometry(width - 20, 3, 17, 17);
  connect(close_, &CxSkinButton::clicked, this, &CDiskMgrPropSheet::reject);

  titleFont_.setPixelSize(16);
  titleFont_.setBold(true);
}

CDiskMgrPropSheet::~CDiskMgrPropSheet() = default;

void CDiskMgrPropSheet::accept() {
  result_ = DiskManagerResult();
  result_.accepted = true;
  result_.pageIndex = tabs_->currentIndex() == 1 && formatPage_ != nullptr ? 1 : 0;
  if (result_.pageIndex == 0) {
    result_.rows = playList_->Rows();
    result_.cardText = playList_->CardText();
  } else if (const auto* page = dynamic_cast<const DiskPage*>(formatPage_)) {
    result_.cardText = page->CardText();
  }
  QDialog::accept();
}

void CDiskMgrPropSheet::MakeFormatPage() {
  if (formatPage_ != nullptr || !formatFactory_) return;
  formatPage_ = formatFactory_(formatHolder_);
  if (formatPage_ == nullptr) return;
  formatHolder_->layout()->addWidget(formatPage_);
  formatPage_->show();
  if (formatPage_->metaObject()->indexOfSignal("closeRequested()") >= 0)
    connect(formatPage_, SIGNAL(closeRequested()), this, SLOT(OnFormatPageCloseRequest()),
            Qt::QueuedConnection);
}

void CDiskMgrPropSheet::OnFormatPageCloseRequest() {
  // The format page found no card to format and has said so. The sheet stays
  // open on the play list, where a folder can still be chosen; the page is
  // made afresh, with a new search, when its tab is chosen again.
  if (formatPage_ == nullptr) return;
  tabs_->setCurrentIndex(0);
  formatPage_->hide();
  formatPage_->deleteLater();
  formatPage_ = nullptr;
}

void CDiskMgrPropSheet::reject() {
  result_ = DiskManagerResult();
  QDialog::reject();
}

void CDiskMgrPropSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = rect();
  painter.fillRect(QRect(0, 0, client.width(), kTitleBandHeight), QColor(57, 57, 57));
  painter.fillRect(QRect(1, kTitleBandHeight, client.width() - 2, client.height() - kTitleBandHeight - 1),
                   Qt::white);
  painter.setPen(QPen(Qt::black, 1));
  const int right = client.width() - 1;
  const int bottom = client.height() - 1;
  painter.drawLine(0, 0, 0, bottom);
  painter.drawLine(0, bottom, right, bottom);
  painter.drawLine(right, bottom, right, 0);
  painter.drawLine(right, 0, 0, 0);
  painter.setFont(titleFont_);
  painter.setPen(Qt::white);
  // The title runs from (9, 4) up to the close button.
  painter.drawText(QRect(QPoint(9, 4), QPoint(close_->x() - 4, 21)), Qt::AlignLeft | Qt::AlignVCenter,
                   Text("IDS_CAPTION_LIST_AND_FORMAT"));
}

void CDiskMgrPropSheet::mousePressEvent(QMouseEvent* event) {
  // A press anywhere on the dialog's own surface moves it, as a caption would.
  if (drag_.Press(this, event)) return;
  QDialog::mousePressEvent(event);
}

void CDiskMgrPropSheet::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(this, event)) return;
  QDialog::mouseMoveEvent(event);
}

void CDiskMgrPropSheet::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event);
  QDialog::mouseReleaseEvent(event);
}

DiskManagerResult RunDiskManager(QWidget* parent, const CardEnvironment& env, FormatPageFactory formatPage,
                                 const DiskManagerDriver& driver) {
  CDiskMgrPropSheet sheet(env, std::move(formatPage), parent);
  if (driver) {
    sheet.show();
    driver(sheet);
    if (sheet.isVisible()) sheet.reject();
  } else {
    sheet.exec();
  }
  DiskManagerResult result = sheet.result() == QDialog::Accepted ? sheet.Result() : DiskManagerResult();
  result.cardsChanged = sheet.CardsChanged();
  return result;
}

bool CDiskMgrPropSheet::CardsChanged() const {
  const auto* page = dynamic_cast<const DiskPage*>(formatPage_);
  return page != nullptr && page->ChangedCards();
}

DiskManagerResult RunDiskManager(QWidget* parent, const QStringList& userCards, FormatPageFactory formatPage,
                                 const DiskManagerDriver& driver) {
  CardEnvironment env;
  for (const QString& folder : userCards) env.userFolders.push_back(folder.toStdString());
  env.udisks = udisks::SystemSnapshot;
  return RunDiskManager(parent, env, std::move(formatPage), driver);
}

}  // namespace orvia
