// The format page and its options dialog under the offscreen platform: texts,
// the warning, progress, the messages, and a real format of a card image.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "controls/message_box.h"
#include "disk/format_dialog.h"
#include "disk/format_page.h"
#include "disk/format_targets.h"
#include "format_test_support.h"
#include "settings/default_setup.h"

namespace orvia::test {
namespace {

// Lets the dialog's format end.
void WaitForFormat(QSignalSpy& finished) {
  WaitForSignals(finished);
  ASSERT_FALSE(finished.isEmpty()) << "the format never ended";
}

// The options dialog's five fields: capacity, file system, current and new
// allocation unit size, label.
QStringList Fields(QWidget* dialog) {
  QStringList texts;
  for (int id = 1049; id <= 1053; ++id) texts << Control<QLineEdit>(dialog, id)->text();
  return texts;
}

// The texts of the message boxes shown since the last call.
QStringList ShownTexts() {
  QStringList texts;
  for (const ShownMessageBox& box : TakeShownMessageBoxes()) texts << box.text;
  return texts;
}

const char* kWarning =
    "All data on the Micro SD memory will be deleted.\nSelect \"OK\" for disk format or \"CANCEL\".";

class FormatUi : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeShownMessageBoxes();
    mountInfo_ = dir_.filePath("mountinfo").toStdString();
    QFile file(dir_.filePath("mountinfo"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("40 1 8:17 / /media/u/CARD rw - vfat /dev/sdb1 rw\n");
  }
  void TearDown() override {
    // Every box a test caused was answered from the queue and looked at.
    EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  }
  FormatEnvironment Environment(std::vector<format::CardCandidate> cards, int* scans = nullptr) {
    FormatEnvironment env;
    env.findCards = [cards, scans] {
      if (scans) ++*scans;
      return cards;
    };
    env.system.mountInfo = mountInfo_;
    // Whoever runs the tests: every card listed can be formatted.
    env.canFormat = [](const format::CardCandidate&) { return true; };
    return env;
  }
  format::CardCandidate MountedCard() const {
    return {"/media/u/CARD/", "/dev/sdb1", 7945689497ull, "FAT32", 16384, "CARD"};
  }

  CardImages images_;
  QTemporaryDir dir_;
  std::string mountInfo_;
};

TEST_F(FormatUi, PageListsTheCardsAndHandsBackTheMountedOne) {
  const format::CardCandidate image{"", images_.Blank("card.img"), 4294967296ull, "", 0, ""};
  CDlgFormat page(nullptr, Environment({MountedCard(), image}));
  QSignalSpy closing(&page, &CDlgFormat::closeRequested);
  QCoreApplication::processEvents();

  EXPECT_EQ(Control<QLabel>(&page, 1035)->text(), "Drive");
  EXPECT_EQ(Control<QLabel>(&page, 1034)->text(), "");
  EXPECT_EQ(Control<QPushButton>(&page, 1038)->text(), "Format");
  QComboBox* drives = Control<QComboBox>(&page, 1030);
  ASSERT_EQ(drives->count(), 2);
  EXPECT_EQ(drives->itemText(0), "/media/u/CARD  (/dev/sdb1, 7.4 GB, FAT32, CARD)");
  EXPECT_EQ(drives->itemText(1), QString::fromStdString(image.devicePath) + "  (4.0 GB)");
  EXPECT_EQ(page.SelectedIndex(), 0);
  EXPECT_EQ(page.CardText(), "/media/u/CARD");
  // An image, or a card no longer mounted, is no card root.
  drives->setCurrentIndex(1);
  EXPECT_EQ(page.CardText(), "");
  EXPECT_TRUE(closing.isEmpty());

  // The sheet builds the page through the factory; it is a DiskPage.
  std::unique_ptr<QWidget> made(MakeFormatPageFactory(Environment({MountedCard()}))(nullptr));
  ASSERT_NE(dynamic_cast<DiskPage*>(made.get()), nullptr);
  EXPECT_EQ(dynamic_cast<DiskPage*>(made.get())->CardText(), "/media/u/CARD");
}

TEST_F(FormatUi, PageWithoutCardSaysSoAndAsksTheSheetToClose) {
  QueueMessageBoxAnswer(QMessageBox::Ok);
  CDlgFormat page(nullptr, Environment({}));
  QSignalSpy closing(&page, &CDlgFormat::closeRequested);
  EXPECT_TRUE(closing.isEmpty());  // posted, not sent from the constructor
  QCoreApplication::processEvents();
  EXPECT_EQ(closing.size(), 1);
  const auto shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].title, "Orvia");
  EXPECT_EQ(shown[0].text, "Micro SD memory is not connected or prevent from writing.");
  EXPECT_FALSE(Control<QPushButton>(&page, 1038)->isEnabled());
  EXPECT_EQ(page.CardText(), "");
}

TEST_F(FormatUi, ACardThisUserCannotWriteSaysWhatFormattingNeeds) {
  // Listed from the system's disks (no disk service), with no right to
  // write its device: Start would only fail, so the page says why instead.
  FormatEnvironment env = Environment({MountedCard()});
  env.canFormat = [](const format::CardCandidate&) { return false; };
  CDlgFormat page(nullptr, env);
  page.show();
  QCoreApplication::processEvents();
  auto* note = page.findChild<QLabel*>("needsServiceNote");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_TRUE(note->text().contains("udisks2")) << note->text().toStdString();
  EXPECT_FALSE(Control<QPushButton>(&page, 1038)->isEnabled());
  // The refusal of such a format names the same need.
  format::FormatResult refused;
  refused.error = format::FormatError::kNoService;
  EXPECT_NE(format::ReasonLine(refused).find("udisks2"), std::string::npos);
  // A card that can be written: no note.
  CDlgFormat writable(nullptr, Environment({MountedCard()}));
  writable.show();
  EXPECT_FALSE(writable.findChild<QLabel*>("needsServiceNote")->isVisible());
  EXPECT_TRUE(Control<QPushButton>(&writable, 1038)->isEnabled());
}

TEST_F(FormatUi, OptionsDialogShowsTheCard) {
  CDlgFormatOption dialog(MountedCard(), {}, {});
  EXPECT_EQ(dialog.windowTitle(), "Disk format (/media/u/CARD)");
  const QStringList labels = {"Capacity", "File system", "Current allocation unit size",
                              "New allocation unit size", "Volume label"};
  for (int i = 0; i < labels.size(); ++i) EXPECT_EQ(Control<QLabel>(&dialog, 1055 + i)->text(), labels[i]);
  EXPECT_EQ(Fields(&dialog), QStringList({"7.4 GB", "FAT32", "16 KB", "32 KB", "CARD"}));
  EXPECT_EQ(Control<QLineEdit>(&dialog, 1053)->maxLength(), 10);
  EXPECT_TRUE(Control<QLineEdit>(&dialog, 1049)->isReadOnly());
  EXPECT_EQ(Control<QCheckBox>(&dialog, 1054)->text(), "Quick format");
  EXPECT_TRUE(Control<QCheckBox>(&dialog, 1054)->isChecked());
  EXPECT_EQ(Control<QPushButton>(&dialog, 1048)->text(), "Start");
  EXPECT_TRUE(Control<QPushButton>(&dialog, 1048)->isDefault());
  EXPECT_EQ(Control<QPushButton>(&dialog, 2)->text(), "CLOSE");
  EXPECT_EQ(Control<QProgressBar>(&dialog, 1044)->value(), 0);

  // A card whose size is unknown: no size, no quick format ticked.
  CDlgFormatOption unknown({"", "/dev/sdx", 0, "", 0, ""}, {}, {});
  EXPECT_EQ(Control<QLineEdit>(&unknown, 1049)->text(), "");
  EXPECT_FALSE(Control<QCheckBox>(&unknown, 1054)->isChecked());
}

TEST_F(FormatUi, CancellingTheWarningDoesNothing) {
  const std::string image = images_.Blank("card.img");
  CDlgFormatOption dialog({"", image, 4294967296ull, "FAT32", 8192, "OLDCARD"}, images_.RecorderTools(), {});
  QueueMessageBoxAnswer(QMessageBox::Cancel);
  Control<QPushButton>(&dialog, 1048)->click();
  const auto shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text, kWarning);
  EXPECT_EQ(shown[0].buttonTexts.size(), 2);  // the user can still say no
  EXPECT_FALSE(dialog.IsFormatting());
  EXPECT_EQ(Control<QProgressBar>(&dialog, 1044)->value(), 0);
  EXPECT_TRUE(Control<QPushButton>(&dialog, 1048)->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_TRUE(images_.RecordedCalls().isEmpty());  // no tool ran
}

TEST_F(FormatUi, FormatRunsOnTheWorkerWithProgressAndCompletion) {
  const std::string image = images_.OldCard("card.img", "MIRROR=1\r\n");
  CDlgFormatOption dialog({"", image, 4294967296ull, "FAT32", 8192, "OLDCARD"}, {}, {});
  dialog.show();
  Control<QLineEdit>(&dialog, 1053)->setText("orvia card");  // 10 letters: 9 are written
  QSignalSpy finished(&dialog, &CDlgFormatOption::formatFinished);
  QueueMessageBoxAnswer(QMessageBox::Ok);  // the warning
  Control<QPushButton>(&dialog, 1048)->click();

  // The worker runs; the inputs wait and closing is refused.
  ASSERT_TRUE(dialog.IsFormatting());
  EXPECT_GE(Control<QProgressBar>(&dialog, 1044)->value(), 1);
  for (int id : {1049, 1050, 1051, 1052, 1053})
    EXPECT_FALSE(Control<QLineEdit>(&dialog, id)->isEnabled()) << id;
  EXPECT_FALSE(Control<QCheckBox>(&dialog, 1054)->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(&dialog, 1048)->isEnabled());
  QueueMessageBoxAnswer(QMessageBox::Ok);  // "Formatting"
  Control<QPushButton>(&dialog, 2)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(ShownTexts(), QStringList({kWarning, "Formatting"}));

  QueueMessageBoxAnswer(QMessageBox::Ok);  // the completion
  WaitForFormat(finished);
  EXPECT_TRUE(finished.at(0).at(0).toBool());
  EXPECT_EQ(ShownTexts(), QStringList{"Format completed"});
  EXPECT_FALSE(dialog.IsFormatting());
  EXPECT_EQ(Control<QProgressBar>(&dialog, 1044)->value(), 100);
  EXPECT_EQ(Fields(&dialog), QStringList({"3 GB", "FAT32", "32 KB", "32 KB", "ORVIA CAR"}));
  EXPECT_TRUE(Control<QPushButton>(&dialog, 1048)->isEnabled());
  // The card was written with the label shown, its settings file kept.
  EXPECT_TRUE(Minfo(image).contains("disk label=\"ORVIA CAR  \""));
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), "MIRROR=1\r\n");
  // Closing is allowed again.
  Control<QPushButton>(&dialog, 2)->click();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(FormatUi, FailedFormatIsToldAsFailure) {
  const std::string image = images_.Blank("blank.img");
  format::FormatTools failing;
  failing.mkfs = "false";
  CDlgFormatOption dialog({"", image, 4294967296ull, "", 0, ""}, failing, {});
  QSignalSpy finished(&dialog, &CDlgFormatOption::formatFinished);
  QueueMessageBoxAnswer(QMessageBox::Ok);
  QueueMessageBoxAnswer(QMessageBox::Ok);
  Control<QPushButton>(&dialog, 1048)->click();
  WaitForFormat(finished);
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  EXPECT_EQ(ShownTexts(),
            QStringList({kWarning, "Micro SD memory is not connected or prevent from writing."}));
  EXPECT_EQ(Control<QProgressBar>(&dialog, 1044)->value(), 0);
}

TEST_F(FormatUi, DialogDestroyedDuringTheFormatWaitsForTheWorker) {
  const std::string image = images_.OldCard("card.img", "MIRROR=1\r\n");
  auto dialog = std::make_unique<CDlgFormatOption>(
      format::CardCandidate{"", image, 4294967296ull, "FAT32", 8192, "OLDCARD"}, format::FormatTools{},
      format::SystemPaths{});
  QueueMessageBoxAnswer(QMessageBox::Ok);
  Control<QPushButton>(dialog.get(), 1048)->click();
  ASSERT_TRUE(dialog->IsFormatting());
  dialog.reset();  // returns once the card is written
  QCoreApplication::processEvents();
  EXPECT_EQ(TakeShownMessageBoxes().size(), 1);  // only the warning
  EXPECT_TRUE(HasEntry(image, "/Normal"));
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), "MIRROR=1\r\n");
}

TEST_F(FormatUi, StartButtonOpensTheDialogAndTheCardIsListedAnew) {
  const std::string image = images_.Blank("card.img");
  int scans = 0;
  CDlgFormat page(nullptr, Environment({MountedCard(), {"", image, 4294967296ull, "", 0, ""}}, &scans));
  Control<QComboBox>(&page, 1030)->setCurrentIndex(1);
  QString title;
  page.SetDialogRunner([&](CDlgFormatOption& dialog) {
    title = dialog.windowTitle();
    QSignalSpy finished(&dialog, &CDlgFormatOption::formatFinished);
    QueueMessageBoxAnswer(QMessageBox::Ok);
    QueueMessageBoxAnswer(QMessageBox::Ok);
    Control<QPushButton>(&dialog, 1048)->click();
    WaitForFormat(finished);
  });
  Control<QPushButton>(&page, 1038)->click();
  EXPECT_EQ(title, "Disk format (" + QString::fromStdString(image) + ")");
  EXPECT_EQ(TakeShownMessageBoxes().size(), 2);
  EXPECT_EQ(scans, 2);
  EXPECT_EQ(page.SelectedIndex(), 1);  // the formatted card stays chosen
  EXPECT_EQ(page.CardText(), "");
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"),
            QByteArray(DefaultSetupDat().data(), kDefaultSetupDatBytes));
}

// The page paints: white ground with its text on it, not a blank picture.
TEST_F(FormatUi, PagePaintsItsTextOnWhite) {
  CDlgFormat page(nullptr, Environment({MountedCard()}));
  page.resize(470, 300);
  const QImage image = page.grab().toImage();
  EXPECT_EQ(image.pixelColor(2, image.height() - 3), QColor(Qt::white));
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 100;
  EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace orvia::test
