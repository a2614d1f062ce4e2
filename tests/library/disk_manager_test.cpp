// The disk manager sheet: its look, what OK and Cancel hand back from either
// page, and the format page's close request.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "controls/message_box.h"
#include "controls/skin_button.h"
#include "controls/white_tab_ctrl.h"
#include "disk/disk_manager.h"
#include "disk/format_page.h"
#include "library/disk_page.h"
#include "library/page_play_list.h"
#include "library_test_support.h"

namespace orvia {
namespace {

// Stands in for the format page: answers a fixed drive.
class StubFormatPage : public QWidget, public DiskPage {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  QString CardText() const override { return "/media/format-me"; }

 signals:
  void closeRequested();
};

FormatPageFactory StubFactory() {
  return [](QWidget* parent) { return new StubFormatPage(parent); };
}

// The hand-over in one line: accepted or not, page, card text, row count.
std::string HandOver(const DiskManagerResult& r) {
  return (r.accepted ? "accepted " : "cancelled ") + std::to_string(r.pageIndex) + " [" +
         r.cardText.toStdString() + "] " + std::to_string(r.rows.size()) + " rows";
}

class DiskManager : public ::testing::Test {
 protected:
  void SetUp() override {
    card = tmp / "sd";
    for (int i = 0; i < 10; ++i)
      test::AddRecording(card, i % 2 ? "Event" : "Normal",
                         "mdr_20120503_1425" + std::to_string(10 + i) + ".avi");
    env.mountInfoPath = tmp / "mountinfo";
    test::WriteFile(env.mountInfoPath, test::SystemMountLines() + test::MountInfoLine(20, card, "/dev/sdb1"));
  }

  test::TempFolder tmp;
  std::string card;
  CardEnvironment env;
};

TEST_F(DiskManager, OkOnThePlayListHandsBackItsRowsInOrderAndTheCard) {
  QList<QStringList> shown;
  const DiskManagerResult result = RunDiskManager(nullptr, env, StubFactory(), [&](CDiskMgrPropSheet& sheet) {
    EXPECT_TRUE(sheet.isModal());
    shown = sheet.PlayListPage()->Rows();
    sheet.OkButton()->click();
  });
  EXPECT_EQ(HandOver(result), "accepted 0 [" + card + "] 10 rows");
  EXPECT_EQ(result.rows, shown);
  EXPECT_EQ(result.rows[0],
            QStringList({"001", "2012-05-03", "14:25:10", "Driving",
                         QString::fromStdString(card + "/Normal/100/mdr_20120503_142510.avi")}));
  EXPECT_EQ(result.rows[9][0], "010");
  EXPECT_EQ(result.rows[9][3], "Event");
}

TEST_F(DiskManager, OkHandsBackTheFilteredRowsAndNoCardWhenThereIsNone) {
  DiskManagerResult result = RunDiskManager(nullptr, env, StubFactory(), [](CDiskMgrPropSheet& sheet) {
    sheet.PlayListPage()->ModeFilter()->setCurrentIndex(2);
    sheet.OkButton()->click();
  });
  ASSERT_EQ(result.rows.size(), 5);
  EXPECT_EQ(result.rows[4][0], "005");

  env.mountInfoPath = tmp / "missing";
  result = RunDiskManager(nullptr, env, StubFactory(),
                          [](CDiskMgrPropSheet& sheet) { sheet.OkButton()->click(); });
  EXPECT_EQ(HandOver(result), "accepted 0 [] 0 rows");  // not "Drive not found."
}

TEST_F(DiskManager, OkOrEnterOnTheFormatTabHandsBackItsDriveAndNoRows) {
  for (bool enter : {false, true}) {
    const DiskManagerResult result =
        RunDiskManager(nullptr, env, StubFactory(), [enter](CDiskMgrPropSheet& sheet) {
          sheet.Tabs()->setCurrentIndex(1);
          if (enter)
            QTest::keyClick(&sheet, Qt::Key_Return);
          else
            sheet.OkButton()->click();
        });
    EXPECT_EQ(HandOver(result), "accepted 1 [/media/format-me] 0 rows") << enter;
  }
}

TEST_F(DiskManager, EveryCancelHandsBackNothing) {
  const std::vector<std::function<void(CDiskMgrPropSheet&)>> cancels = {
      [](CDiskMgrPropSheet& sheet) { sheet.CancelButton()->click(); },
      [](CDiskMgrPropSheet& sheet) { sheet.CloseButton()->click(); },
      [](CDiskMgrPropSheet& sheet) { QTest::keyClick(&sheet, Qt::Key_Escape); },
      [](CDiskMgrPropSheet&) {},  // left open by its driver
  };
  for (size_t i = 0; i < cancels.size(); ++i) {
    EXPECT_EQ(HandOver(RunDiskManager(nullptr, env, StubFactory(), cancels[i])), "cancelled -1 [] 0 rows")
        << i;
  }
}

TEST_F(DiskManager, WithoutAnyCardItStaysOpenAndTheFormatTabSaysSoOnlyWhenChosen) {
  TakeShownMessageBoxes();
  env.mountInfoPath = tmp / "missing";  // no card for the play list either
  FormatEnvironment noDrive;
  int searches = 0;
  noDrive.findCards = [&searches] {
    ++searches;
    return std::vector<format::CardCandidate>{};
  };
  const auto settle = [] {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  };
  const DiskManagerResult result =
      RunDiskManager(nullptr, env, MakeFormatPageFactory(noDrive), [&](CDiskMgrPropSheet& sheet) {
        settle();
        // Opening: no message, no search for a card to format, the play list on top.
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
        EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
        EXPECT_EQ(searches, 0);
        // Each choice of the format tab searches and says so once; the sheet
        // stays open and goes back to the play list.
        for (int choice = 1; choice <= 2; ++choice) {
          QueueMessageBoxAnswer(QMessageBox::Ok);
          sheet.Tabs()->setCurrentIndex(1);
          settle();
          const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
          ASSERT_EQ(shown.size(), 1) << choice;
          EXPECT_EQ(shown[0].text, "Micro SD memory is not connected or prevent from writing.");
          EXPECT_EQ(searches, choice);
          EXPECT_TRUE(sheet.isVisible());
          EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
        }
        sheet.OkButton()->click();
      });
  EXPECT_EQ(HandOver(result), "accepted 0 [] 0 rows");
}

TEST_F(DiskManager, WorksWithoutAFormatPage) {
  const DiskManagerResult result = RunDiskManager(nullptr, env, nullptr, [](CDiskMgrPropSheet& sheet) {
    EXPECT_EQ(sheet.Tabs()->count(), 1);
    sheet.Tabs()->setCurrentIndex(1);
    sheet.OkButton()->click();
  });
  EXPECT_EQ(HandOver(result), "accepted 0 [" + card + "] 10 rows");
}

TEST_F(DiskManager, SheetCarriesItsTextsBandAndCloseButton) {
  CDiskMgrPropSheet sheet(env, StubFactory());
  EXPECT_TRUE(sheet.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(sheet.OkButton()->text(), "OK");
  EXPECT_EQ(sheet.CancelButton()->text(), "CANCEL");
  EXPECT_EQ(sheet.findChild<QPushButton*>("ctl1047"), sheet.OkButton());
  EXPECT_EQ(sheet.findChild<QPushButton*>("ctl2"), sheet.CancelButton());
  ASSERT_EQ(sheet.Tabs()->count(), 2);
  EXPECT_EQ(sheet.Tabs()->tabText(0), "Play list");
  EXPECT_EQ(sheet.Tabs()->tabText(1), "Disk format");
  EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
  EXPECT_EQ(sheet.Tabs()->pos(), QPoint(14, 25));
  EXPECT_EQ(sheet.CloseButton()->geometry(), QRect(sheet.width() - 20, 3, 17, 17));
  // Every button sits inside the dialog, below the sheet.
  for (QPushButton* b : {sheet.OkButton(), sheet.CancelButton()}) {
    EXPECT_TRUE(sheet.rect().contains(b->geometry())) << b->text().toStdString();
    EXPECT_GT(b->y(), sheet.Tabs()->geometry().bottom());
  }
}

TEST_F(DiskManager, DraggingTheBodyMovesTheDialog) {
  CDiskMgrPropSheet sheet(env, StubFactory());
  sheet.move(100, 100);
  sheet.show();
  const QPoint start = sheet.pos();
  // A point of the white body between the sheet and the buttons.
  const QPoint grab(5, sheet.height() - 5);
  QTest::mousePress(&sheet, Qt::LeftButton, Qt::NoModifier, grab);
  QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(30, 20)),
                   QPointF(sheet.mapToGlobal(grab + QPoint(30, 20))), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&sheet, &move);
  QTest::mouseRelease(&sheet, Qt::LeftButton, Qt::NoModifier, grab + QPoint(30, 20));
  EXPECT_EQ(sheet.pos(), start + QPoint(30, 20));
  sheet.reject();
}

TEST_F(DiskManager, GrabShowsTheTitleBandTheOutlineAndTheWhiteBody) {
  CDiskMgrPropSheet sheet(env, StubFactory());
  sheet.show();
  QApplication::processEvents();
  const QImage shot = sheet.grab().toImage();
  const int w = shot.width(), h = shot.height();
  EXPECT_EQ(QColor(shot.pixel(w / 2 + 40, 2)), QColor(57, 57, 57));  // title band, right of the text
  EXPECT_EQ(QColor(shot.pixel(0, h / 2)), QColor(Qt::black));        // outline
  EXPECT_EQ(QColor(shot.pixel(w - 1, h - 1)), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(5, h - 5)), QColor(Qt::white));    // body
  EXPECT_EQ(QColor(shot.pixel(w - 10, 27)), QColor(Qt::white));  // the band right of the tabs
  // The title is drawn in white on the band.
  bool whiteText = false;
  for (int x = 9; x < 200 && !whiteText; ++x)
    for (int y = 4; y < 22; ++y) whiteText |= QColor(shot.pixel(x, y)) == QColor(Qt::white);
  EXPECT_TRUE(whiteText);
  sheet.reject();
}

}  // namespace
}  // namespace orvia

#include "disk_manager_test.moc"
