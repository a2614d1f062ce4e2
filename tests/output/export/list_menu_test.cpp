// The recording list's context menu on the real main window: its actions
// work on the selected rows and write into the folder the (pre-answered)
// save dialog names.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "app/clip_range_dialog.h"
#include "app/list_context_menu.h"
#include "app/main_window.h"
#include "app/video_dialog.h"
#include "controls/colored_list_ctrl.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "tests/output/export/export_test_support.h"

namespace orvia::exporttest {
namespace {

QAction* Action(QMenu* menu, const char* name) {
  for (QAction* a : menu->actions())
    if (a->objectName() == name) return a;
  return nullptr;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ListContextMenuTest, ExportsTheSelectedRowsIntoTheChosenFiles) {
  COrviaDlg window(nullptr);
  QList<QStringList> rows;
  const std::vector<std::string> files = Recordings();
  for (size_t i = 0; i < files.size(); ++i) {
    rows << QStringList{QString::asprintf("%03d", static_cast<int>(i + 1)), "", "", "",
                        QString::fromStdString(files[i])};
  }
  window.SetRows(rows);
  CColoredListCtrl* list = window.RecordingList();
  EXPECT_EQ(list->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  auto* menuOwner = window.findChild<ListContextMenu*>();
  ASSERT_NE(menuOwner, nullptr);

  std::unique_ptr<QMenu> empty(menuOwner->BuildMenu());
  EXPECT_EQ(Action(empty.get(), "exportClip")->text(), QString::fromUtf8("Export clip\u2026"));
  EXPECT_EQ(Action(empty.get(), "exportTrack")->text(), QString::fromUtf8("Export GPS track\u2026"));
  EXPECT_EQ(Action(empty.get(), "showInFolder")->text(), "Show in folder");
  EXPECT_FALSE(Action(empty.get(), "exportTrack")->isEnabled());  // nothing selected

  // The two driving recordings, picked with Ctrl-clicks.
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (int row = 0; row < list->RowCount(); ++row) {
    if (!list->RowText(row, 4).contains("/Normal/")) continue;
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
  }
  ASSERT_EQ(list->selectedItems().size(), 2);
  const QString dir = QString::fromStdString(TempFolder("menu"));
  std::unique_ptr<QMenu> menu(menuOwner->BuildMenu());
  ASSERT_TRUE(Action(menu.get(), "exportTrack")->isEnabled());

  // "/trip" has no extension: the action's own format is added.
  for (const auto& [action, file] :
       {std::pair{"exportTrack", "/trip.kml"}, {"exportSensor", "/trip"}, {"exportClip", "/clip.mp4"}}) {
    QueueSaveFileAnswer(dir + file);
    QueueMessageBoxAnswer(QMessageBox::Ok);
    if (std::string(action) == "exportClip") QueueClockRangeAnswer(false);  // as offered
    Action(menu.get(), action)->trigger();
  }
  QueueSaveFileAnswer(QString());  // cancelled: nothing written, nothing said
  Action(menu.get(), "exportTrack")->trigger();

  const QList<ShownMessageBox> boxes = TakeShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 3);
  for (const ShownMessageBox& b : boxes) EXPECT_EQ(b.text, "Export completed");
  const QStringList suggested = TakeSuggestedSavePaths();
  ASSERT_EQ(suggested.size(), 4);
  EXPECT_TRUE(suggested[0].endsWith(".gpx")) << suggested[0].toStdString();
  EXPECT_TRUE(suggested[1].startsWith(dir)) << "the next dialog opens where the last export went";

  EXPECT_EQ(ReadFile(dir + "/trip.kml").count("<Placemark>"), 2);
  EXPECT_EQ(ReadFile(dir + "/trip.csv").count('\n'), 2 * kSeconds + 1);
  // The two selected recordings make one clip, not the first alone.
  std::string duration;
  ASSERT_EQ(Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                      Quote((dir + "/clip.mp4").toStdString()),
                  &duration),
            0)
      << duration;
  EXPECT_NEAR(std::stod(duration), 2 * kSeconds, 0.2);

  QString opened;
  menuOwner->openFolder = [&](const QString& folder) { opened = folder; };
  Action(menu.get(), "showInFolder")->trigger();
  EXPECT_EQ(opened + "/", QString::fromStdString(DrivingRecording(0)).section('/', 0, -2) + "/");
}

// "Save evidence…" on selected rows: a pack of them, in the chosen folder,
// that proves itself.
TEST(ListContextMenuTest, SaveEvidencePacksTheSelectedRowsIntoTheChosenFolder) {
  COrviaDlg window(nullptr);
  window.SetRows({{"001", "", "", "", QString::fromStdString(DrivingRecording(0))},
                  {"002", "", "", "", QString::fromStdString(DrivingRecording(1))}});
  for (int row = 0; row < 2; ++row) window.RecordingList()->topLevelItem(row)->setSelected(true);
  auto* menuOwner = window.findChild<ListContextMenu*>();
  std::unique_ptr<QMenu> menu(menuOwner->BuildMenu());
  const QString dir = QString::fromStdString(TempFolder("menu_evidence"));
  QueueSaveFileAnswer(dir);
  QueueMessageBoxAnswer(QMessageBox::Ok);
  Action(menu.get(), "saveEvidence")->trigger();
  const QList<ShownMessageBox> boxes = TakeShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1);
  ASSERT_TRUE(boxes[0].text.startsWith("Export completed\n" + dir)) << boxes[0].text.toStdString();
  const QString pack = boxes[0].text.section('\n', 1, 1);
  std::string output;
  EXPECT_EQ(Cli("verify " + Quote(pack.toStdString()), &output), 0) << output;
  // Both selected recordings are in it, as they are on the card.
  for (int which : {0, 1}) {
    const QString original = QString::fromStdString(DrivingRecording(which));
    const QString copy = pack + "/" + original.section('/', -3);
    EXPECT_EQ(ReadFile(copy), ReadFile(original)) << copy.toStdString();
  }
}

// "Export video…" on selected rows: one rendered picture stream over both,
// and the choices made are offered again next time.
TEST(ListContextMenuTest, ExportVideoRendersTheSelectedRowsAndOffersTheLastChoicesAgain) {
  QTemporaryDir config;
  const QByteArray before = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  {
    COrviaDlg window(nullptr);
    window.SetRemembering(true);
    window.SetRows({{"001", "", "", "", QString::fromStdString(DrivingRecording(0))},
                    {"002", "", "", "", QString::fromStdString(DrivingRecording(1))}});
    for (int row = 0; row < 2; ++row) window.RecordingList()->topLevelItem(row)->setSelected(true);
    auto* menuOwner = window.findChild<ListContextMenu*>();
    std::unique_ptr<QMenu> menu(menuOwner->BuildMenu());
    QueueVideoChoiceAnswer(true);
    Action(menu.get(), "exportVideo")->trigger();
    std::optional<VideoChoice> offered = TakeLastProposedVideoChoice();
    ASSERT_TRUE(offered);
    EXPECT_EQ(offered->range.to - offered->range.from, 2 * kSeconds);
    offered->layout = RenderLayout::kSide;
    offered->width = 640;
    offered->height = 180;

    const QString out = QString::fromStdString(TempFolder("menu_video")) + "/video.mp4";
    QueueVideoChoiceAnswer(false, offered);
    QueueSaveFileAnswer(out);
    QueueMessageBoxAnswer(QMessageBox::Ok);
    Action(menu.get(), "exportVideo")->trigger();
    const QList<ShownMessageBox> boxes = TakeShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, "Export completed");
    std::string streams;
    ASSERT_EQ(Shell("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 " +
                        Quote(out.toStdString()),
                    &streams),
              0);
    EXPECT_EQ(streams, "h264,640,180\naac\n");

    QueueVideoChoiceAnswer(true);
    Action(menu.get(), "exportVideo")->trigger();
    const std::optional<VideoChoice> again = TakeLastProposedVideoChoice();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->layout, RenderLayout::kSide);
  }
  qputenv("XDG_CONFIG_HOME", before);
}

TEST(ListContextMenuTest, AFailedExportIsToldWithItsReason) {
  COrviaDlg window(nullptr);
  window.SetRows({{"001", "", "", "", QString::fromStdString(DrivingRecording(0))}});
  window.RecordingList()->topLevelItem(0)->setSelected(true);
  auto* menuOwner = window.findChild<ListContextMenu*>();
  std::unique_ptr<QMenu> menu(menuOwner->BuildMenu());
  const QString dir = QString::fromStdString(TempFolder("menu_fail"));
  QueueSaveFileAnswer(dir + "/no/such/folder/clip.mp4");
  QueueMessageBoxAnswer(QMessageBox::Ok);
  QueueClockRangeAnswer(false);
  Action(menu.get(), "exportClip")->trigger();
  const QList<ShownMessageBox> boxes = TakeShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].text.startsWith("Export fail\n")) << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.contains("no/such/folder")) << boxes[0].text.toStdString();
}

}  // namespace
}  // namespace orvia::exporttest
