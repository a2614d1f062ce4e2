// The print dialog: preview of either view, the printed page (a PDF read
// back with pdftoppm), and the ways printing can not happen.
#include "output/print_dialog.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "output/printer_choice.h"
#include "output_test_support.h"

namespace orvia {
namespace {

using test::Rgb;

QImage ImageOf(int width, int height, const std::vector<uint8_t>& pixels) {
  return QImage(pixels.data(), width, height, width * 4, QImage::Format_RGB32).copy();
}

// Colours within a small tolerance (the page is resampled when rendered).
::testing::AssertionResult Near(QRgb got, Rgb want, int tolerance = 12) {
  if (std::abs(qRed(got) - want.r) <= tolerance && std::abs(qGreen(got) - want.g) <= tolerance &&
      std::abs(qBlue(got) - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << qRed(got) << ", " << qGreen(got) << ", " << qBlue(got) << "), want (" << int(want.r)
         << ", " << int(want.g) << ", " << int(want.b) << ")";
}

// The picture's four quarters inside `area` (sampled at their middles).
void ExpectQuarters(const QImage& image, const QRect& area, Rgb topLeft, Rgb topRight, Rgb bottomLeft,
                    Rgb bottomRight, int tolerance) {
  const int qx = area.width() / 4, qy = area.height() / 4;
  EXPECT_TRUE(Near(image.pixel(area.left() + qx, area.top() + qy), topLeft, tolerance));
  EXPECT_TRUE(Near(image.pixel(area.right() - qx, area.top() + qy), topRight, tolerance));
  EXPECT_TRUE(Near(image.pixel(area.left() + qx, area.bottom() - qy), bottomLeft, tolerance));
  EXPECT_TRUE(Near(image.pixel(area.right() - qx, area.bottom() - qy), bottomRight, tolerance));
}

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

class PrintDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeShownMessageBoxes();
    TakePrinterChoiceCount();
    frontPicture = test::QuarterPicture(kWidth, kHeight);
    rearPicture = test::QuarterPicture(kWidth, kHeight, test::kYellow, test::kBlue, test::kGreen, test::kRed);
    front.SetPicture(kWidth, kHeight, frontPicture);
    rear.SetPicture(kWidth, kHeight, rearPicture);
  }
  template <typename T>
  T* Find(CDlgPrint& dialog, int id) {
    return dialog.findChild<T*>(QStringLiteral("ctl%1").arg(id));
  }
  // Prints through OK into a PDF and renders its one page at 40 dots an inch.
  QImage PrintAndRender(CDlgPrint& dialog, QPageLayout::Orientation orientation) {
    const QString pdf = dir.path() + "/page.pdf";
    QFile::remove(pdf);  // a page left by an earlier print must not pass for this one
    QueuePrinterChoice({PrinterChoice::kChosen, pdf, orientation});
    Find<QPushButton>(dialog, kPrintOk)->click();
    if (!QFile::exists(pdf)) return QImage();
    const int exit = QProcess::execute("pdftoppm", {"-png", "-r", "40", pdf, dir.path() + "/page"});
    if (exit != 0) return QImage();
    return QImage(dir.path() + "/page-1.png").convertToFormat(QImage::Format_RGB32);
  }

  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 720;
  QTemporaryDir dir;
  std::vector<uint8_t> frontPicture, rearPicture;
  player::RecordingPlayer front, rear;
};

TEST_F(PrintDialogTest, OpensOnTheFrontPictureAndSwitchesToTheRear) {
  CDlgPrint dialog(&front, &rear);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Print");
  EXPECT_TRUE(Find<QRadioButton>(dialog, kPrintFront)->isChecked());
  EXPECT_FALSE(dialog.RearChosen());
  EXPECT_EQ(dialog.PreviewImage(), ImageOf(kWidth, kHeight, frontPicture));
  EXPECT_TRUE(rear.calls().empty());

  Find<QRadioButton>(dialog, kPrintRear)->click();
  EXPECT_TRUE(dialog.RearChosen());
  EXPECT_EQ(dialog.PreviewImage(), ImageOf(kWidth, kHeight, rearPicture));
  EXPECT_EQ(rear.CallsOf(player::PlayerOp::kCopyPicture).size(), 1u);  // asked only once chosen

  // Reload copies the chosen view again: a new picture of the rear view.
  const std::vector<uint8_t> later =
      test::QuarterPicture(64, 32, test::kBlue, test::kBlue, test::kRed, test::kRed);
  rear.SetPicture(64, 32, later);
  Find<QPushButton>(dialog, kPrintReload)->click();
  EXPECT_TRUE(dialog.RearChosen());
  EXPECT_EQ(dialog.PreviewImage(), ImageOf(64, 32, later));
  EXPECT_EQ(rear.CallsOf(player::PlayerOp::kCopyPicture).size(), 2u);

  Find<QRadioButton>(dialog, kPrintFront)->click();
  EXPECT_EQ(dialog.PreviewImage(), ImageOf(kWidth, kHeight, frontPicture));
}

TEST_F(PrintDialogTest, ControlsCarryTheStringFileTexts) {
  CDlgPrint dialog(&front, &rear);
  QStringList texts;
  for (int id : {kPrintFront, kPrintRear, kPrintReload, kPrintOk, kPrintCancel})
    texts << Find<QAbstractButton>(dialog, id)->text();
  EXPECT_EQ(texts, QStringList({"Front", "Rear", "Reload", "OK", "CANCEL"}));
  EXPECT_TRUE(Find<QPushButton>(dialog, kPrintReload)->isDefault());
}

TEST_F(PrintDialogTest, DrawsThePictureInThePreviewArea) {
  CDlgPrint dialog(&front, &rear);
  dialog.show();
  const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect area = dialog.PreviewRect();
  ASSERT_TRUE(shot.rect().contains(area));
  ExpectQuarters(shot, area, test::kRed, test::kGreen, test::kBlue, test::kYellow, 0);
  // The dark title band, the black border and the white ground.
  EXPECT_TRUE(Near(shot.pixel(shot.width() - 20, 10), Rgb{57, 57, 57}, 0));
  EXPECT_TRUE(Near(shot.pixel(0, shot.height() / 2), kBlack, 0));
  EXPECT_TRUE(Near(shot.pixel(shot.width() - 1, shot.height() - 1), kBlack, 0));
  EXPECT_TRUE(Near(shot.pixel(shot.width() / 2, area.bottom() + 3), kWhite, 0));
}

TEST_F(PrintDialogTest, NoPictureFromThePlayer) {
  player::RecordingPlayer blank;
  CDlgPrint dialog(&blank, nullptr);
  dialog.show();
  EXPECT_TRUE(dialog.PreviewImage().isNull());
  const QImage shot = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect area = dialog.PreviewRect();
  EXPECT_TRUE(Near(shot.pixel(area.left() + 3, area.top() + 3), kBlack, 0));
  // The orange "No Picture" text on the middle line of the area.
  int orange = 0;
  for (int x = area.left(); x <= area.right(); ++x) {
    for (int y = area.center().y() - 8; y <= area.center().y() + 8; ++y) {
      if (Near(shot.pixel(x, y), Rgb{255, 137, 3}, 40)) ++orange;
    }
  }
  EXPECT_GT(orange, 10);
  // The rear view has no player at all: still no picture, no crash.
  Find<QRadioButton>(dialog, kPrintRear)->click();
  EXPECT_TRUE(dialog.PreviewImage().isNull());

  // OK says there is nothing to print and asks for no printer.
  QueueMessageBoxAnswer(QMessageBox::Ok);
  Find<QPushButton>(dialog, kPrintOk)->click();
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text, "No Picture");
  EXPECT_EQ(TakePrinterChoiceCount(), 0);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(PrintDialogTest, NoPrinterOrCancelledPrintsNothingAndStaysOpen) {
  CDlgPrint dialog(&front, &rear);
  dialog.show();
  QueuePrinterChoice({PrinterChoice::kNoDefaultPrinter, {}, QPageLayout::Portrait});
  QueueMessageBoxAnswer(QMessageBox::Ok);
  Find<QPushButton>(dialog, kPrintOk)->click();
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].title, "Orvia");
  EXPECT_EQ(shown[0].text, "Not found a printer.");
  EXPECT_EQ(shown[0].buttonTexts, QStringList{"OK"});
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);

  // The user cancels the system's print dialog: no message, still open.
  QueuePrinterChoice({PrinterChoice::kCancelled, {}, QPageLayout::Portrait});
  Find<QPushButton>(dialog, kPrintOk)->click();
  EXPECT_EQ(TakePrinterChoiceCount(), 2);
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(PrintDialogTest, APressAnywhereDragsTheWindow) {
  CDlgPrint dialog(&front, &rear);
  dialog.move(100, 100);
  dialog.show();
  const QPoint start = dialog.pos();
  QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(300, 10));
  QTest::mouseMove(&dialog, QPoint(340, 35));
  QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(340, 35));
  EXPECT_EQ(dialog.pos(), start + QPoint(40, 25));
}

// The printed page: the picture across the full width at the top, its top
// row at the top and its left at the left, white below.
void ExpectPictureAcrossTheTop(const QImage& page, Rgb topLeft, Rgb topRight, Rgb bottomLeft,
                               Rgb bottomRight) {
  ASSERT_FALSE(page.isNull());
  const int w = page.width();
  const int h = w * 720 / 1280;  // the picture's height on the page
  ASSERT_LT(h, page.height());
  ExpectQuarters(page, QRect(0, 0, w, h), topLeft, topRight, bottomLeft, bottomRight, 12);
  // Flush with the left, right and top edges.
  EXPECT_TRUE(Near(page.pixel(1, 1), topLeft, 40));
  EXPECT_TRUE(Near(page.pixel(w - 2, 1), topRight, 40));
  EXPECT_TRUE(Near(page.pixel(1, h - 2), bottomLeft, 40));
  // Nothing below the picture.
  EXPECT_TRUE(Near(page.pixel(w / 2, h + 3), kWhite, 0));
  EXPECT_TRUE(Near(page.pixel(w / 2, page.height() - 2), kWhite, 0));
}

// The front view on a portrait page, the rear view (other colours) on a landscape one.
TEST_F(PrintDialogTest, PrintsTheChosenPictureAcrossThePage) {
  if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
    FAIL() << "pdftoppm is missing (script/bootstrap installs poppler-utils)";
  for (const bool rearView : {false, true}) {
    SCOPED_TRACE(rearView ? "rear, landscape" : "front, portrait");
    CDlgPrint dialog(&front, &rear);
    dialog.show();
    if (rearView) Find<QRadioButton>(dialog, kPrintRear)->click();
    const QImage page = PrintAndRender(dialog, rearView ? QPageLayout::Landscape : QPageLayout::Portrait);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.width() > page.height(), rearView);
    if (rearView)
      ExpectPictureAcrossTheTop(page, test::kYellow, test::kBlue, test::kGreen, test::kRed);
    else
      ExpectPictureAcrossTheTop(page, test::kRed, test::kGreen, test::kBlue, test::kYellow);
  }
}

}  // namespace
}  // namespace orvia

namespace orvia {
namespace {

// With no printer installed the page goes into a PDF file, asked for with the
// save-file dialog, and the caption line is printed under the picture.
TEST_F(PrintDialogTest, WithoutAnyPrinterPrintsIntoAPdfFileWithTheCaption) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty())
    FAIL() << "pdftotext is missing (script/bootstrap installs poppler-utils)";
  // No print server to ask: no printer at all.
  qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
  ASSERT_TRUE(QPrinterInfo::availablePrinterNames().isEmpty()) << "a printer is installed";
  CDlgPrint dialog(&front, &rear);
  const QString caption = "2026-12-07 08:35:50   52 km/h   37.550000, 126.966667";
  dialog.SetCaption(caption, "orvia-2026-12-07-083550");
  dialog.show();
  const QString pdf = dir.path() + "/printed";  // the ending is added
  QueueSaveFileAnswer(pdf);
  Find<QPushButton>(dialog, kPrintOk)->click();
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  const QStringList offered = TakeSuggestedSavePaths();
  ASSERT_EQ(offered.size(), 1);
  EXPECT_TRUE(offered[0].endsWith("/orvia-2026-12-07-083550.pdf")) << offered[0].toStdString();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_TRUE(QFile::exists(pdf + ".pdf"));
  QProcess text;
  text.start("pdftotext", {pdf + ".pdf", "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).simplified().contains(caption.simplified()));

  // The user cancels the file dialog: nothing printed, still open.
  dialog.show();
  QueueSaveFileAnswer(QString());
  Find<QPushButton>(dialog, kPrintOk)->click();
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace orvia
