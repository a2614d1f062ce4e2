#include "disk/format_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "base/localized_text.h"
#include "controls/message_box.h"
#include "disk/format_targets.h"
#include "disk/format_worker.h"

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

QLineEdit* AddRow(QGridLayout* grid, QWidget* parent, int labelId, const char* key, int fieldId,
                  bool readOnly) {
  const int row = grid->rowCount();
  auto* caption = new QLabel(Text(key), parent);
  caption->setObjectName(QStringLiteral("ctl%1").arg(labelId));
  auto* field = new QLineEdit(parent);
  field->setObjectName(QStringLiteral("ctl%1").arg(fieldId));
  field->setReadOnly(readOnly);
  caption->setBuddy(field);
  grid->addWidget(caption, row, 0);
  grid->addWidget(field, row, 1);
  return field;
}

}  // namespace

CDlgFormatOption::CDlgFormatOption(format::CardCandidate card, format::FormatTools tools,
                                   format::SystemPaths system, QWidget* parent)
    : QDialog(parent), card_(std::move(card)), tools_(std::move(tools)), system_(std::move(system)) {
  qRegisterMetaType<orvia::format::FormatResult>();
  setWindowTitle(QStringLiteral("%1 (%2)").arg(Text("IDS_CAPTION_DISK_FORMAT_SD"),
                                               QString::fromStdString(format::CardRootText(card_))));

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  space_ = AddRow(grid, this, 1055, "IDS_CAPTION_DISK_SPACE", 1049, true);
  fileSystem_ = AddRow(grid, this, 1056, "IDS_CAPTION_DISK_FILESYSTEM", 1050, true);
  clusterNow_ = AddRow(grid, this, 1057, "IDS_CAPTION_DISK_CLUSTERSIZE_NOW", 1051, true);
  clusterNew_ = AddRow(grid, this, 1058, "IDS_CAPTION_DISK_CLUSTERSIZE_NEW", 1052, true);
  label_ = AddRow(grid, this, 1059, "IDS_CAPTION_DISK_LABEL", 1053, false);
  label_->setMaxLength(format::kLabelFieldChars);

  quick_ = new QCheckBox(Text("IDS_CAPTION_DISK_QUICK_FORMAT"), this);
  quick_->setObjectName(QStringLiteral("ctl1054"));
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ctl1044"));
  progress_->setTextVisible(false);
  progress_->setRange(0, 100);
  progress_->setValue(0);

  start_ = new QPushButton(Text("IDS_CAPTION_DISK_START"), this);
  start_->setObjectName(QStringLiteral("ctl1048"));
  start_->setDefault(true);
  close_ = new QPushButton(Text("IDS_CAPTION_CLOSE"), this);
  close_->setObjectName(QStringLiteral("ctl2"));
  close_->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start_);
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(quick_);
  layout->addWidget(progress_);
  layout->addLayout(buttons);
  setMinimumWidth(380);

  fileSystem_->setText(QString::fromStdString(card_.fileSystem));
  label_->setText(QString::fromStdString(card_.label));
  if (card_.clusterBytes != 0)
    clusterNow_->setText(QString::fromStdString(format::ClusterText(card_.clusterBytes)));
  clusterNew_->setText(QString::fromStdString(format::ClusterText(format::kClusterBytes)));
  if (card_.totalBytes != 0) {
    space_->setText(QString::fromStdString(format::SizeTextBefore(card_.totalBytes)));
    quick_->setChecked(true);
  }

  connect(start_, &QPushButton::clicked, this, &CDlgFormatOption::StartFormat);
  connect(close_, &QPushButton::clicked, this, &CDlgFormatOption::reject);
}

CDlgFormatOption::~CDlgFormatOption() { StopWorker(); }

void CDlgFormatOption::StartFormat() {
  if (IsFormatting()) return;
  // A label mkfs.fat cannot write is refused before anything is asked.
  const std::string labelProblem = format::LabelProblem(format::PrepareLabel(label_->text().toStdString()));
  if (!labelProblem.empty()) {
    ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_SD_FAIL") + "\n" + QString::fromStdString(labelProblem),
                            QMessageBox::Ok, QMessageBox::Critical);
    return;
  }
  const QString warning =
      Text("IDS_CAPTION_DISK_FORMAT_WARNING_1") + "\n" + Text("IDS_CAPTION_DISK_FORMAT_WARNING_2");
  if (ShowLocalizedMessageBox(warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) !=
      QMessageBox::Ok)
    return;
  progress_->setValue(1);
  SetInputsEnabled(false);

  // Everything the worker needs is taken here, on the UI thread.
  format::FormatRequest request;
  request.target = card_.devicePath;
  request.mountPoint = card_.mountPoint;
  request.label = format::PrepareLabel(label_->text().toStdString());
  request.quick = quick_->isChecked();
  request.objectPath = card_.objectPath;
  request.sizeBytes = card_.totalBytes;
  request.partitionOffset = card_.partitionOffset;

  thread_ = new QThread;
  worker_ = new CFormatWorker(request, tools_, system_);
  worker_->moveToThread(thread_);
  connect(thread_, &QThread::started, worker_, &CFormatWorker::Run);
  connect(worker_, &CFormatWorker::progressChanged, this, &CDlgFormatOption::OnProgress,
          Qt::QueuedConnection);
  connect(worker_, &CFormatWorker::finished, this, &CDlgFormatOption::OnFinished, Qt::QueuedConnection);
  thread_->start();
}

void CDlgFormatOption::OnProgress(int percent, int phase) {
  Q_UNUSED(phase);
  // The bar never goes back during a format; 0 and 100 come with the end.
  if (IsFormatting() && percent > progress_->value() && percent < 100) progress_->setValue(percent);
}

void CDlgFormatOption::OnFinished(const format::FormatResult& result) {
  StopWorker();
  lastResult_ = result;
  SetInputsEnabled(true);

  // The card as it is now.
  const format::VolumeInfo& volume = result.volume;
  // A format refused before anything was written leaves the fields as the
  // card still is.
  if (volume.valid) {
    fileSystem_->setText(QString::fromStdString(volume.fileSystem));
    label_->setText(QString::fromStdString(volume.label));
    clusterNow_->setText(QString::fromStdString(format::ClusterText(volume.clusterBytes)));
    space_->setText(QString::fromStdString(format::SizeTextAfter(volume.totalBytes)));
  }
  clusterNew_->setText(QString::fromStdString(format::ClusterText(format::kClusterBytes)));

  // The end is told only when the card is fully written (folders and settings
  // file too), so the card may be taken out once the message shows.
  if (result.ok()) {
    progress_->setValue(100);
    ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_FORMAT_COMPLETE"), QMessageBox::Ok, QMessageBox::NoIcon);
  } else {
    progress_->setValue(0);
    // The reason the system gave, on a second line.
    const std::string reason = format::ReasonLine(result);
    ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_SD_FAIL") +
                                (reason.empty() ? QString() : "\n" + QString::fromStdString(reason)),
                            QMessageBox::Ok, QMessageBox::Critical);
  }
  emit formatFinished(result.ok());
}

void CDlgFormatOption::SetInputsEnabled(bool enabled) {
  for (QWidget* w :
       {static_cast<QWidget*>(clusterNew_), static_cast<QWidget*>(clusterNow_),
        static_cast<QWidget*>(fileSystem_), static_cast<QWidget*>(label_), static_cast<QWidget*>(space_),
        static_cast<QWidget*>(quick_), static_cast<QWidget*>(start_)})
    w->setEnabled(enabled);
}

void CDlgFormatOption::StopWorker() {
  if (!thread_) return;
  // The worker has emitted finished (or is still inside a format that cannot
  // be interrupted); its thread ends as soon as Run returns.
  thread_->quit();
  thread_->wait();
  delete worker_;
  delete thread_;
  worker_ = nullptr;
  thread_ = nullptr;
}

void CDlgFormatOption::reject() {
  if (IsFormatting()) {
    ShowLocalizedMessageBox(Text("IDS_CAPTION_DISK_FORMAT_FORMATTING"), QMessageBox::Ok,
                            QMessageBox::Critical);
    return;
  }
  QDialog::reject();
}

void CDlgFormatOption::closeEvent(QCloseEvent* event) {
  if (IsFormatting()) {
    event->ignore();
    reject();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace orvia
