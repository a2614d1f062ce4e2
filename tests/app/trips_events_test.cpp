// The card's trips and events in the window: the reading of the list's
// recordings, an event chosen in the view playing from ten seconds before
// it (in the trip's previous recording when the event is early in its own),
// N / Shift+N, and the open recording's events on the time bar.
#include <QKeyEvent>
#include <QSignalSpy>

#include "app/card_analysis.h"
#include "app/clip_range_dialog.h"
#include "controls/bit_slider.h"
#include "library/trips_view.h"
#include "tests/app/viewer_fixture.h"

namespace orvia::test {
namespace {

class TripsEventsTest : public ViewerTest {
 protected:
  // A drive of two Normal recordings and an Event one, 30 s each, with an
  // impact at second 15 and hard braking at 16 of the Event recording.
  static void SetUpTestSuite() { MakeCard(30); }

  void LoadAndRead() {
    window_->Analysis()->SetCacheFolder({});
    QSignalSpy analysed(window_.get(), &COrviaDlg::cardAnalysed);
    window_->Playback()->LoadList(PlayListRows(Card()));
    ASSERT_TRUE(analysed.wait(10000));
  }
  int EventOfKind(EventKind kind) {
    const auto& events = window_->Analysis()->Summary().events;
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].kind == kind) return static_cast<int>(i);
    return -1;
  }
  void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
  }
  QString Event(const QString& name) { return Card() + "/Event/20261207/" + name; }
  QString Normal(const QString& name) { return Card() + "/Normal/20261207/" + name; }
};

TEST_F(TripsEventsTest, EnterOnAnEventPlaysFromTenSecondsBeforeItAndNMovesAlongTheCardsEvents) {
  LoadAndRead();
  const int impact = EventOfKind(EventKind::kImpact);
  ASSERT_GE(impact, 0);
  window_->OpenTripsView();
  TripsView* view = window_->TripsWindow();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->EventList()->RowCount(), static_cast<int>(window_->Analysis()->Summary().events.size()));

  view->SelectEvent(impact);
  Press(view->EventList(), Qt::Key_Return);
  EXPECT_EQ(RowPath(Controller().currentRow()), Event("mdr_20261207_083100.avi"));
  EXPECT_EQ(Controller().position(), 5);
  // The rest of the trip follows in the list; its events are on the bar.
  EXPECT_EQ(window_->RecordingList()->RowCount(), 5);
  EXPECT_EQ(static_cast<CBitSlider*>(window_->Control(kTimeLine))->Marks(), (std::vector<int>{0, 15, 16}));

  // The Event recording's own start: ten seconds before it lie in the
  // Normal recording before it, at its second 20.
  const int start = impact - 1;
  ASSERT_EQ(window_->Analysis()->Summary().events[static_cast<size_t>(start)].kind,
            EventKind::kEventRecording);
  view->SelectEvent(start);
  Press(view->EventList(), Qt::Key_Enter);
  EXPECT_EQ(RowPath(Controller().currentRow()), Normal("mdr_20261207_083030.avi"));
  EXPECT_EQ(Controller().position(), 20);
  EXPECT_TRUE(static_cast<CBitSlider*>(window_->Control(kTimeLine))->Marks().empty());

  // N goes on to the impact, then to the braking a second after it (its
  // lead-in begins in the same place); Shift+N comes back.
  Press(window_.get(), Qt::Key_N);
  EXPECT_EQ(view->SelectedEvent(), impact);
  EXPECT_EQ(Controller().position(), 5);
  Press(window_.get(), Qt::Key_N);
  EXPECT_EQ(view->SelectedEvent(), impact + 1);
  EXPECT_EQ(Controller().position(), 6);
  Press(window_.get(), Qt::Key_N, Qt::ShiftModifier);
  EXPECT_EQ(view->SelectedEvent(), impact);

  // An event's clip is offered from 30 s before it to 30 s after it.
  QueueClockRangeAnswer(true);
  emit view->exportClipRequested(impact);
  const std::optional<ClockRange> offered = TakeLastProposedClockRange();
  ASSERT_TRUE(offered);
  const int64_t at = window_->Analysis()->Summary().events[static_cast<size_t>(impact)].time;
  EXPECT_EQ(offered->from, at - 30);
  EXPECT_EQ(offered->to, at + 30);
}

// A card's trips take in all its recordings. Opened on one mode's, the list
// is not the trip: it becomes the trip's recordings so that the drive plays
// on after the event.
TEST_F(TripsEventsTest, AnEventOutsideTheListsOrderPlaysWithItsTripAsTheList) {
  window_->Analysis()->SetCacheFolder({});
  window_->SetCardRoot(Card() + "/");
  QSignalSpy analysed(window_.get(), &COrviaDlg::cardAnalysed);
  window_->Playback()->LoadList(ListRowTexts(ScanPlayList(Card().toStdString(), 2)));  // Event only
  ASSERT_TRUE(analysed.wait(10000));
  ASSERT_EQ(window_->RecordingList()->RowCount(), 1);
  const auto& events = window_->Analysis()->Summary().events;
  int impact = -1;
  for (size_t i = 0; i < events.size(); ++i)
    if (events[i].kind == EventKind::kImpact) impact = static_cast<int>(i);
  ASSERT_GE(impact, 0);
  const int filed = impact - 1;
  window_->PlayEvent(filed);
  ASSERT_EQ(window_->RecordingList()->RowCount(), 3);
  EXPECT_EQ(RowPath(0), Normal("mdr_20261207_083000.avi"));
  EXPECT_EQ(RowPath(2), Event("mdr_20261207_083100.avi"));
  EXPECT_EQ(RowPath(Controller().currentRow()), Normal("mdr_20261207_083030.avi"));
  EXPECT_EQ(Controller().position(), 20);
}

}  // namespace
}  // namespace orvia::test
