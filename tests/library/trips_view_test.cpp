// The trips and events view: the texts of its rows, the choice of a row by
// Enter and double click, and the selection across a new summary.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <ctime>

#include "controls/colored_list_ctrl.h"
#include "controls/white_tab_ctrl.h"
#include "library/trips_view.h"

namespace orvia {
namespace {

// 2026-12-07 08:30:00 on the recorder's clock.
constexpr int64_t k0830 = 1796632200;

CardEvent Event(EventKind kind, int64_t time, size_t recording, int second) {
  CardEvent e;
  e.kind = kind;
  e.time = time;
  e.recording = recording;
  e.second = second;
  return e;
}

// A drive of three recordings' worth with an impact and hard braking, then
// an hour's parking with a recording the recorder filed as an event.
CardSummary Summary() {
  CardSummary s;
  for (const char* path :
       {"/card/Normal/100/mdr_20261207_083000.avi", "/card/Normal/100/mdr_20261207_083600.avi",
        "/card/Parking/100/mdr_20261207_093000.avi"}) {
    CardRecording r;
    r.path = path;
    s.recordings.push_back(r);
  }
  Trip drive;
  drive.start = k0830;
  drive.end = k0830 + 360;
  drive.distanceM = 3240;
  drive.topSpeedKmh = 71.6;
  drive.avgMovingSpeedKmh = 48.2;
  drive.events = 2;
  Trip parking;
  parking.parking = true;
  parking.start = k0830 + 3600;
  parking.end = parking.start + 3720;
  parking.events = 1;
  s.trips = {drive, parking};

  CardEvent impact = Event(EventKind::kImpact, k0830 + 384, 1, 24);
  impact.peakG = 1.84;
  impact.speedKmh = 54.4;
  impact.latitude = 37.56612;
  impact.longitude = 126.978;
  CardEvent braking = Event(EventKind::kHardBraking, k0830 + 605, 1, 245);
  braking.speedChangeKmh = -23.2;
  braking.speedKmh = 31;
  s.events = {impact, braking, Event(EventKind::kEventRecording, k0830 + 3600, 2, 0)};
  return s;
}

QStringList Row(const CColoredListCtrl* list, int row) {
  QStringList texts;
  for (int c = 0; c < list->columnCount(); ++c) texts << list->RowText(row, c);
  return texts;
}

// Runs with the process's zone set to nine hours east of UTC.
class EastZone {
 public:
  EastZone() {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr) saved_ = tz;
    had_ = tz != nullptr;
    setenv("TZ", "XST-9", 1);
    tzset();
  }
  ~EastZone() {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(TripsView, RowsShowEachReadingInItsFormAndMissingOnesAsEmptyCells) {
  // The recorder's clock carries no zone: the texts are the same in any zone.
  EastZone zone;
  TripsView view;
  view.SetSummary(Summary());
  const CColoredListCtrl* events = view.EventList();
  ASSERT_EQ(events->RowCount(), 3);
  EXPECT_EQ(Row(events, 0), QStringList({"001", "2026-12-07", "08:36:24", "Impact", "1.8 g", "54 km/h",
                                         "37.56612, 126.97800", "mdr_20261207_083600.avi  0:24"}));
  EXPECT_EQ(Row(events, 1), QStringList({"002", "2026-12-07", "08:40:05", "Hard braking", "-23 km/h",
                                         "31 km/h", "", "mdr_20261207_083600.avi  4:05"}));
  EXPECT_EQ(Row(events, 2), QStringList({"003", "2026-12-07", "09:30:00", "Event recording", "", "", "",
                                         "mdr_20261207_093000.avi  0:00"}));

  const CColoredListCtrl* trips = view.TripList();
  ASSERT_EQ(trips->RowCount(), 2);
  EXPECT_EQ(Row(trips, 0), QStringList({"001", "Drive", "2026-12-07", "08:30:00", "08:36:00", "6:00",
                                        "3.2 km", "72 km/h", "48 km/h", "2"}));
  EXPECT_EQ(Row(trips, 1), QStringList({"002", "Parking", "2026-12-07", "09:30:00", "10:32:00", "1:02:00", "",
                                        "", "", "1"}));
}

TEST(TripsView, EnterOnAnEventAndADoubleClickOnATripChooseThatRowWithoutBlockingTheMainWindow) {
  QWidget mainWindow;
  mainWindow.show();
  TripsView view(&mainWindow);
  view.SetSummary(Summary());
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QSignalSpy events(&view, &TripsView::eventChosen);
  QSignalSpy trips(&view, &TripsView::tripChosen);

  view.SelectEvent(2);
  QTest::keyClick(view.EventList(), Qt::Key_Return);
  ASSERT_EQ(events.count(), 1);
  EXPECT_EQ(events.at(0).at(0).toInt(), 2);
  EXPECT_TRUE(view.isVisible());

  view.Tabs()->setCurrentIndex(1);
  CColoredListCtrl* list = view.TripList();
  const QRect row = list->visualItemRect(list->topLevelItem(1));
  // A double click as the system delivers it: a click, then the second press.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  ASSERT_EQ(trips.count(), 1);
  EXPECT_EQ(trips.at(0).at(0).toInt(), 1);
  EXPECT_EQ(events.count(), 1);
}

TEST(TripsView, ANewSummaryKeepsTheSelectedEventOnlyWhileItsRowExists) {
  TripsView view;
  view.SetSummary(Summary());
  view.SelectEvent(2);
  view.SetSummary(Summary());
  EXPECT_EQ(view.SelectedEvent(), 2);

  CardSummary fewer = Summary();
  fewer.events.resize(1);
  view.SetSummary(fewer);
  EXPECT_EQ(view.SelectedEvent(), -1);
  EXPECT_TRUE(view.EventList()->selectedItems().isEmpty());
  // Nothing is chosen by Enter when no row is selected.
  QSignalSpy chosen(&view, &TripsView::eventChosen);
  QTest::keyClick(view.EventList(), Qt::Key_Return);
  EXPECT_EQ(chosen.count(), 0);
}

}  // namespace
}  // namespace orvia
