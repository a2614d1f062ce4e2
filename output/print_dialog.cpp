#include "output/print_dialog.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <algorithm>

#include "base/localized_text.h"
#include "controls/message_box.h"
#include "output/printer_choice.h"

namespace orvia {
namespace {

// The dialog is laid out in dialog units of the classic 8-point dialog font:
// 4 units across are 6 pixels, 8 units down are 13 pixels.
int DuX(int units) { return (units * 6 + 2) / 4; }
int DuY(int units) { return (units * 13 + 4) / 8; }

// The dark title band. Everything else sits below it, so that the preview
// does not cover the title.
constexpr int kBandHeight = 23;
const QColor kBandColour(57, 57, 57);
const QColor kNoPictureColour(255, 137, 3);

QRect DuRect(int x, int y, int width, int height) {
  return QRect(DuX(x), kBandHeight + DuY(y), DuX(width), DuY(height));
}

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

QImage PreviewFrom(const CopiedPicture& picture) {
  const std::vector<uint8_t> rows = TopRowFirst(picture);
  if (rows.empty()) return QImage();
  const QImage::Format format = picture.bitsPerPixel == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
  // copy(): the image must not keep pointing into `rows`.
  return QImage(rows.data(), picture.width, picture.height, picture.rowBytes(), format).copy();
}

template <typename Button>
Button* MakeButton(QWidget* parent, int id, const QString& text, QRect rect) {
  auto* button = new Button(text, parent);
  button->setObjectName(QStringLiteral("ctl%1").arg(id));
  button->setGeometry(rect);
  return button;
}

}  // namespace

CDlgPrint::CDlgPrint(player::PlayerControl* front, player::PlayerControl* rear, QWidget* parent)
    : QDialog(parent), players_{front, rear} {
  setModal(true);
  setFixedSize(DuX(316), kBandHeight + DuY(183));
  setWindowTitle(Text("IDS_CAPTION_TITLE_PRINT"));
  titleFont_ = QFont(QStringLiteral("Arial"));
  titleFont_.setPixelSize(16);
  titleFont_.setWeight(QFont::Bold);

  frontButton_ =
      MakeButton<QRadioButton>(this, kPrintFront, Text("IDS_CAPTION_VIEW_FRONT"), DuRect(6, 165, 32, 10));
  rearButton_ =
      MakeButton<QRadioButton>(this, kPrintRear, Text("IDS_CAPTION_VIEW_REAR"), DuRect(47, 165, 32, 10));
  reloadButton_ =
      MakeButton<QPushButton>(this, kPrintReload, Text("IDS_CAPTION_PRINT_RELOAD"), DuRect(92, 163, 50, 14));
  okButton_ = MakeButton<QPushButton>(this, kPrintOk, Text("IDS_CAPTION_OK"), DuRect(204, 163, 50, 14));
  cancelButton_ =
      MakeButton<QPushButton>(this, kPrintCancel, Text("IDS_CAPTION_CANCEL"), DuRect(258, 163, 50, 14));
  okButton_->setAutoDefault(false);
  cancelButton_->setAutoDefault(false);
  reloadButton_->setDefault(true);
  // The radio buttons sit on the white area with a white background; they
  // grow to fit their captions, which the dialog-unit boxes cut short in
  // wider fonts.
  for (QRadioButton* radio : {frontButton_, rearButton_}) {
    radio->resize(std::max(radio->width(), radio->sizeHint().width()), radio->height());
    QPalette palette = radio->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    radio->setPalette(palette);
    radio->setAutoFillBackground(true);
  }

  connect(frontButton_, &QRadioButton::clicked, this, [this] { ChooseView(false); });
  connect(rearButton_, &QRadioButton::clicked, this, [this] { ChooseView(true); });
  connect(reloadButton_, &QPushButton::clicked, this, [this] { ChooseView(rearChosen_); });
  connect(okButton_, &QPushButton::clicked, this, [this] {
    if (PrintPicture()) accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  GrabPicture();
  frontButton_->setChecked(true);
}

CDlgPrint::~CDlgPrint() = default;

QRect CDlgPrint::PreviewRect() const { return DuRect(1, 2, 313, 154); }

void CDlgPrint::SetCaption(const QString& caption, const QString& fileStem) {
  caption_ = caption;
  fileStem_ = fileStem;
}

void CDlgPrint::ChooseView(bool rear) {
  rearChosen_ = rear;
  GrabPicture();
  update();
}

bool CDlgPrint::GrabPicture() {
  preview_ = QImage();
  if (!CopyViewPicture(players_[rearChosen_ ? 1 : 0], picture_)) return false;
  preview_ = PreviewFrom(picture_);
  return !preview_.isNull();
}

bool CDlgPrint::PrintPicture() {
  // Without a picture there is nothing to scale to the page: say so instead
  // of asking for a printer.
  if (preview_.isNull()) {
    ShowLocalizedMessageBox(Text("IDS_CAPTION_NO_PICTURE"));
    return false;
  }
  QPrinter printer(QPrinter::HighResolution);
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  const QString stem = fileStem_.isEmpty() ? QStringLiteral("orvia-print") : fileStem_;
  switch (ChoosePrinter(printer, this, documents + "/" + stem + ".pdf")) {
    case PrinterChoice::kNoDefaultPrinter:
      ShowLocalizedMessageBox(Text("IDS_ERROR_CANNOT_FIND_DEFAULT_PRINTER"));
      return false;
    case PrinterChoice::kCancelled:
      return false;
    case PrinterChoice::kChosen:
      break;
  }
  printer.setDocName(QStringLiteral("Print"));
  const QPageLayout layout = printer.pageLayout();
  const QRect page = layout.paintRectPixels(printer.resolution());
  const PageOrientation orientation = layout.orientation() == QPageLayout::Landscape
                                          ? PageOrientation::kLandscape
                                          : PageOrientation::kPortrait;
  // The caption takes a band at the foot of the page's room for the picture.
  const int band = caption_.isEmpty() ? 0 : page.height() / 20;
  const PrintPlacement place = PlacePictureOnPage(preview_.width(), preview_.height(), page.width(),
                                                  page.height() - band, orientation);
  if (!place.printable) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The painter's origin is the top left of the printable area, in device
  // pixels. The picture is stretched without smoothing, pixel for pixel.
  painter.drawImage(QRect(place.x, place.y, place.width, place.height), preview_);
  if (band > 0) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, band * 2 / 5));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(place.x, place.y + place.height, place.width, band),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
  }
  return painter.end();
}

void CDlgPrint::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width();
  const int h = height();
  painter.fillRect(0, 0, w, kBandHeight, kBandColour);
  painter.fillRect(1, kBandHeight, w - 2, h - kBandHeight - 1, Qt::white);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, w - 1, h - 1);

  painter.setFont(titleFont_);
  painter.setPen(Qt::white);
  painter.drawText(QRect(QPoint(9, 4), QPoint(150, 22)), Qt::AlignTop | Qt::AlignLeft | Qt::TextSingleLine,
                   windowTitle());

  const QRect preview = PreviewRect();
  if (!preview_.isNull()) {
    // The whole picture fills the area; its proportions are not kept.
    painter.drawImage(preview, preview_);
  } else {
    painter.fillRect(preview, Qt::black);
    painter.setFont(font());
    painter.setPen(kNoPictureColour);
    painter.drawText(preview, Qt::AlignCenter | Qt::TextSingleLine, Text("IDS_CAPTION_NO_PICTURE"));
  }
}

// A press anywhere on the dialog's own surface drags the window, as its
// title bar would.
void CDlgPrint::mousePressEvent(QMouseEvent* event) {
  if (!drag_.Press(this, event)) QDialog::mousePressEvent(event);
}

void CDlgPrint::mouseMoveEvent(QMouseEvent* event) {
  if (!drag_.Move(this, event)) QDialog::mouseMoveEvent(event);
}

void CDlgPrint::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event);
  QDialog::mouseReleaseEvent(event);
}

}  // namespace orvia
