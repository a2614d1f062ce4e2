// The picture copied out of a player and its place on the printed page.
#include "output/print_picture.h"

#include <gtest/gtest.h>

#include "output_test_support.h"
#include "player/player_contract.h"

namespace orvia {
namespace {

using player::PlayerOp;

// Rows: picture width and height, page width and height, the page's
// orientation, then the expected x, y, width and height on the page.
struct PlacementRow {
  const char* what;
  int32_t picture[2], page[2];
  PageOrientation orientation;
  int32_t expected[4];
};

TEST(PlacePictureOnPage, ScalesToThePageWidthAndNeverRunsOffThePage) {
  const PageOrientation kPortrait = PageOrientation::kPortrait;
  const PlacementRow rows[] = {
      {"portrait page", {1280, 720}, {4800, 6600}, kPortrait, {0, 0, 4800, 2700}},
      {"landscape page", {1280, 720}, {6600, 4800}, PageOrientation::kLandscape, {0, 0, 6600, 3712}},
      {"full copy on A4 at 600 dpi", {1920, 1088}, {4960, 7016}, kPortrait, {0, 0, 4960, 2810}},
      // A ratio that is not exact in binary must not lose the last column.
      {"third of a pixel", {3, 1}, {1000, 1000}, kPortrait, {0, 0, 1000, 333}},
      // 12,000 high at the page width: scaled to the height and centred across
      // instead (the odd pixel left over goes to the right).
      {"too tall", {400, 1000}, {4801, 6600}, kPortrait, {1080, 0, 2640, 6600}},
      // Landscape named on an upright page: the longer side is wider than the page.
      {"landscape on upright", {1280, 720}, {4800, 6600}, PageOrientation::kLandscape, {0, 0, 4800, 2700}},
  };
  for (const PlacementRow& row : rows) {
    const PrintPlacement got =
        PlacePictureOnPage(row.picture[0], row.picture[1], row.page[0], row.page[1], row.orientation);
    EXPECT_TRUE(got.printable) << row.what;
    EXPECT_EQ((std::vector<int32_t>{got.x, got.y, got.width, got.height}),
              std::vector<int32_t>(row.expected, row.expected + 4))
        << row.what;
  }
}

TEST(PlacePictureOnPage, NothingToPrint) {
  // No picture was ever copied: the width is 0 and there is no scale.
  EXPECT_FALSE(PlacePictureOnPage(0, 0, 4800, 6600, PageOrientation::kPortrait).printable);
  EXPECT_FALSE(PlacePictureOnPage(1280, 720, 0, 6600, PageOrientation::kPortrait).printable);
  EXPECT_FALSE(PlacePictureOnPage(-5, 720, 4800, 6600, PageOrientation::kPortrait).printable);
  EXPECT_FALSE(PlacePictureOnPage(1280, 720, 4800, 6600, PageOrientation::kOther).printable);
  // Flattened to less than a pixel high.
  EXPECT_FALSE(PlacePictureOnPage(1000, 1, 7, 100, PageOrientation::kPortrait).printable);
}

TEST(CopyViewPicture, CopiesThePlayersPicture) {
  player::RecordingPlayer front;
  const std::vector<uint8_t> picture = test::QuarterPicture(6, 4);
  front.SetPicture(6, 4, picture);
  CopiedPicture copied;
  ASSERT_TRUE(CopyViewPicture(&front, copied));
  EXPECT_EQ(copied.width, 6);
  EXPECT_EQ(copied.height, 4);
  EXPECT_EQ(copied.bitsPerPixel, 32);
  EXPECT_EQ(copied.rowBytes(), 24);
  // The player gives the bottom row first; turned over, it is the picture.
  EXPECT_EQ(TopRowFirst(copied), picture);

  ASSERT_EQ(front.calls().size(), 2u);
  EXPECT_EQ(front.calls()[0].op, PlayerOp::kPrepareCopy);
  EXPECT_EQ(front.calls()[0].ints, std::vector<int32_t>{0});
  EXPECT_EQ(front.calls()[1].op, PlayerOp::kCopyPicture);
  EXPECT_EQ(front.calls()[1].ints, (std::vector<int32_t>{255, 1, 0, 0}));
}

TEST(CopyViewPicture, NoPictureLeavesNothing) {
  player::RecordingPlayer empty;
  CopiedPicture copied;
  EXPECT_FALSE(CopyViewPicture(&empty, copied));
  EXPECT_FALSE(copied.valid());
  EXPECT_TRUE(TopRowFirst(copied).empty());
  EXPECT_FALSE(CopyViewPicture(nullptr, copied));

  // A picture copied before is gone after a failed copy.
  player::RecordingPlayer front;
  front.SetPicture(2, 2, test::QuarterPicture(2, 2));
  ASSERT_TRUE(CopyViewPicture(&front, copied));
  EXPECT_FALSE(CopyViewPicture(&empty, copied));
  EXPECT_EQ(copied.width, 0);
}

TEST(CopyViewPicture, SizesBeyondTheBufferAreRefused) {
  struct Row {
    int32_t width, height, bits;
    bool accepted;
  };
  const Row rows[] = {
      {1920, 1088, 32, true},  {1920, 1088, 24, true}, {1921, 1088, 32, false},
      {1920, 1089, 32, false}, {-1, 10, 32, false},    {10, 0, 32, false},
      {10, 10, 64, false},     {10, 10, 0, false},     {10, 10, 33, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << "x" << row.bits);
    test::SizeReportingPlayer liar(row.width, row.height, row.bits);
    CopiedPicture copied;
    EXPECT_EQ(CopyViewPicture(&liar, copied), row.accepted);
    EXPECT_EQ(copied.valid(), row.accepted);
    EXPECT_EQ(TopRowFirst(copied).size(),
              row.accepted ? static_cast<size_t>(row.width) * row.height * row.bits / 8 : 0u);
  }
}

// Printers installed but none set as the default: the first one is offered
// rather than "no printer".
TEST(PrintPicture, PrinterPickedWithoutADefault) {
  EXPECT_EQ(PickPrinter("office", {"lab", "office"}), "office");
  EXPECT_EQ(PickPrinter("", {"lab", "office"}), "lab");
  EXPECT_EQ(PickPrinter("", {}), "");
}

}  // namespace
}  // namespace orvia
