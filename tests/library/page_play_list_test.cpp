// The play-list page over fake cards: selections, columns, scans and rescans.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QStyle>

#include "controls/colored_list_ctrl.h"
#include "library/page_play_list.h"
#include "library_test_support.h"

namespace orvia {
namespace {

// Card A is a mounted volume with a recording in each mode folder; card B is
// a folder the user named, with one recording. A third volume has no Normal.
const QString kAddFolder = QString::fromUtf8("Add folder\u2026");

QStringList Items(const QComboBox* box) {
  QStringList texts;
  for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
  return texts;
}

class PlayListPage : public ::testing::Test {
 protected:
  void SetUp() override {
    cardA = tmp / "card A";
    test::AddRecording(cardA, "Normal", "mdr_20120503_142501.avi");
    test::AddRecording(cardA, "Normal", "mdr_20120503_142600.avi", "101");
    test::AddRecording(cardA, "Event", "mdr_20120503_100000.avi");
    test::AddRecording(cardA, "Parking", "mdr_20120502_235959.avi");
    test::AddRecording(cardA, "ParkingEvent", "mdr_20120504_000001.avi");
    test::WriteFile(cardA + "/Normal/100/mdr_20120101_000000.avi", "");  // empty: not listed
    test::WriteFile(cardA + "/Normal/notes.txt", "x");
    cardB = tmp / "cardB";
    test::AddRecording(cardB, "Normal", "mdr_20200101_120000.avi");
    other = tmp / "stick";
    test::MakeFolder(other);
    env.mountInfoPath = tmp / "mountinfo";
    test::WriteFile(env.mountInfoPath, test::SystemMountLines() +
                                           test::MountInfoLine(20, other, "/dev/sdc1") +
                                           test::MountInfoLine(21, cardA, "/dev/mmcblk0p1"));
    env.userFolders = {cardB};
  }
  static QStringList Column(const CPagePlayList& page, int column) {
    QStringList texts;
    for (const QStringList& row : page.Rows()) texts.append(row[column]);
    return texts;
  }

  test::TempFolder tmp;
  std::string cardA, cardB, other;
  CardEnvironment env;
};

TEST_F(PlayListPage, OpensWithLabelsColumnsAndBothSelections) {
  CPagePlayList page(env);
  EXPECT_EQ(page.findChild<QLabel*>("ctl1028")->text(), QString::fromUtf8("\u25B6 SD Path"));
  EXPECT_EQ(page.findChild<QLabel*>("ctl1029")->text(), QString::fromUtf8("\u25B6 TYPE"));

  CColoredListCtrl* list = page.List();
  ASSERT_EQ(list, page.findChild<CColoredListCtrl*>("ctl1024"));
  ASSERT_EQ(list->columnCount(), 5);
  const QStringList headers = {"No.", "Date", "Time", "Type", "Path"};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(list->headerItem()->text(c), headers[c]);
    EXPECT_EQ(list->columnWidth(c), CPagePlayList::kColumnWidths[c]);
    EXPECT_EQ(list->headerItem()->textAlignment(c) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  }

  EXPECT_EQ(Items(page.CardSelection()),
            QStringList({QString::fromStdString(cardA), QString::fromStdString(cardB), kAddFolder}));
  EXPECT_EQ(page.CardSelection()->currentIndex(), 0);
  EXPECT_EQ(page.CardText(), QString::fromStdString(cardA));

  EXPECT_EQ(Items(page.ModeFilter()), QStringList({"All", "Driving", "Event", "Parking", "Parking event"}));
  EXPECT_EQ(page.ModeFilter()->currentIndex(), 0);
}

TEST_F(PlayListPage, NumberDateTimeAndTypeFitTheirColumnsUncut) {
  CPagePlayList page(env);
  const QFontMetrics metrics(page.List()->font());
  const QStringList widest = {"000", "2000-00-00", "00:00:00", "Parking event"};
  for (int c = 0; c < 4; ++c) {
    const int margins = 2 * (page.List()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    EXPECT_LE(metrics.horizontalAdvance(widest[c]) + margins, CPagePlayList::kColumnWidths[c]) << c;
  }
}

// The scan's order and numbering are the play list's own (core tests); here:
// the page shows its rows whole and rebuilds them on each filter or card choice.
TEST_F(PlayListPage, FilterAndCardChangesRebuildAndRenumber) {
  CPagePlayList page(env);
  ASSERT_EQ(page.Rows().size(), 5);
  EXPECT_EQ(page.Rows()[3],
            QStringList({"004", "2012-05-03", "14:26:00", "Driving",
                         QString::fromStdString(cardA + "/Normal/101/mdr_20120503_142600.avi")}));
  page.ModeFilter()->setCurrentIndex(2);  // Event
  EXPECT_EQ(Column(page, 0), QStringList({"001"}));
  EXPECT_EQ(Column(page, 3), QStringList({"Event"}));
  page.ModeFilter()->setCurrentIndex(1);  // Driving
  EXPECT_EQ(Column(page, 0), QStringList({"001", "002"}));
  EXPECT_EQ(Column(page, 2), QStringList({"14:25:01", "14:26:00"}));

  page.CardSelection()->setCurrentIndex(1);  // card B, filter kept
  EXPECT_EQ(page.CardText(), QString::fromStdString(cardB));
  EXPECT_EQ(Column(page, 1), QStringList({"2020-01-01"}));
  page.ModeFilter()->setCurrentIndex(4);  // card B has no parking events
  EXPECT_TRUE(page.Rows().isEmpty());
}

TEST_F(PlayListPage, ScanNamesOnlyCardsFoundAndAnswersTheRowCount) {
  CPagePlayList page(env);
  EXPECT_EQ(page.ScanPlayList(QString::fromStdString(cardB)), 1);
  EXPECT_EQ(page.ScanPlayList(QString::fromStdString(cardA)), 5);
  // Neither the no-card text nor a folder that was not offered is scanned.
  EXPECT_EQ(page.ScanPlayList("Drive not found."), 0);
  EXPECT_EQ(page.ScanPlayList(QString::fromStdString(other)), 0);
  EXPECT_EQ(page.Rows().size(), 5);
}

TEST_F(PlayListPage, WithoutCardsShowsTheNoCardTextAndLeavesTheListAlone) {
  env.mountInfoPath = tmp / "missing";
  env.userFolders = {other};
  CPagePlayList page(env);
  EXPECT_EQ(Items(page.CardSelection()), QStringList({"Drive not found.", kAddFolder}));
  EXPECT_EQ(page.CardText(), QString());  // the no-card text is never a card
  EXPECT_TRUE(page.Rows().isEmpty());

  page.List()->AddRow({"001", "2012-05-03", "14:25:01", "Driving", "/x.avi"});
  page.ModeFilter()->setCurrentIndex(3);
  EXPECT_EQ(page.Rows().size(), 1);
  EXPECT_EQ(page.Rows()[0][4], "/x.avi");
}

// "Add folder…": a folder of loose copies joins the selection, even when no
// card is in the computer; a cancelled choice keeps the card shown.
TEST(PlayListPageAddFolder, ChosenFolderIsListedAndCancelKeepsTheCard) {
  test::TempFolder tmp;
  const std::string copies = tmp / "copies";
  test::WriteFile(copies + "/mdr_20260105_120000_A.avi", "avi");
  test::WriteFile(copies + "/Event/mdr_20260104_120000_E.avi", "avi");
  CardEnvironment env;
  env.mountInfoPath = tmp / "mountinfo";
  test::WriteFile(env.mountInfoPath, test::SystemMountLines());

  QString answer;
  CPagePlayList::SetFolderChooserForTesting([&answer](QWidget*) { return answer; });
  CPagePlayList page(env);
  QComboBox* cards = page.CardSelection();
  EXPECT_EQ(Items(cards), QStringList({"Drive not found.", kAddFolder}));
  EXPECT_TRUE(page.CardText().isEmpty());

  cards->setCurrentIndex(1);  // cancelled
  EXPECT_EQ(cards->currentIndex(), 0);
  EXPECT_EQ(page.List()->RowCount(), 0);

  answer = QString::fromStdString(copies + "/");
  cards->setCurrentIndex(1);
  EXPECT_EQ(Items(cards), QStringList({QString::fromStdString(copies), kAddFolder}));  // no-card entry gone
  EXPECT_EQ(cards->currentIndex(), 0);
  EXPECT_EQ(page.CardText(), QString::fromStdString(copies));
  ASSERT_EQ(page.List()->RowCount(), 2);
  EXPECT_EQ(page.Rows()[0][4], QString::fromStdString(copies + "/Event/mdr_20260104_120000_E.avi"));
  page.ModeFilter()->setCurrentIndex(2);  // Event only
  EXPECT_EQ(page.List()->RowCount(), 1);
  page.ModeFilter()->setCurrentIndex(1);  // Driving: the loose file is no driving recording
  EXPECT_EQ(page.List()->RowCount(), 0);

  // The same folder again is not listed twice.
  page.ModeFilter()->setCurrentIndex(0);
  cards->setCurrentIndex(1);
  EXPECT_EQ(cards->count(), 2);
  EXPECT_EQ(page.List()->RowCount(), 2);
  CPagePlayList::SetFolderChooserForTesting(nullptr);
}

}  // namespace
}  // namespace orvia
