// Geometry of the skinned controls: frames of a bitmap strip, the slider's
// position from a point and its thumb rectangle, the bitmap window's frames.
#include <gtest/gtest.h>

#include "controls/bit_wnd_frames.h"
#include "controls/slider_math.h"
#include "controls/strip_layout.h"

namespace orvia {
namespace {

// Frame count, direction and the last frame's rectangle for the bitmap
// shapes of the skin: a frame size of 0 takes the whole bitmap, narrow
// bitmaps stack their frames, and only whole frames count.
TEST(StripLayoutTest, FramesOfEachShape) {
  struct Case {
    int width, height, frameWidth, frameHeight, count;
    bool vertical;
    PixelRect last;
  };
  for (const Case& c :
       {Case{490, 10, 0, 0, 1, false, {0, 0, 490, 10}}, Case{18, 12, 18, 12, 1, false, {0, 0, 18, 12}},
        Case{36, 187, 0, 0, 1, true, {0, 0, 36, 187}}, Case{20, 90, 20, 30, 3, true, {0, 60, 20, 90}},
        Case{100, 20, 30, 0, 3, false, {60, 0, 90, 20}}}) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const StripLayout layout = MakeStripLayout(c.width, c.height, c.frameWidth, c.frameHeight);
    EXPECT_EQ(layout.frameCount, c.count);
    EXPECT_EQ(layout.vertical, c.vertical);
    PixelRect r;
    ASSERT_TRUE(StripFrameRect(layout, c.count - 1, &r));
    EXPECT_EQ(r, c.last);
  }
  EXPECT_EQ(MakeStripLayout(0, 0, 0, 0).frameCount, 0);
}

TEST(StripLayoutTest, FramesOutsideTheStripAreRefused) {
  const StripLayout strip = MakeStripLayout(100, 20, 30, 0);
  PixelRect untouched{1, 2, 3, 4};
  EXPECT_FALSE(StripFrameRect(strip, 3, &untouched));  // index == frameCount
  EXPECT_FALSE(StripFrameRect(strip, -1, &untouched));
  EXPECT_EQ(untouched, (PixelRect{1, 2, 3, 4}));
}

// The time line: 490 pixels wide with an 18-pixel thumb image, range 0..59.
TrackbarModel TimeLine(int pos) {
  TrackbarModel m;
  m.width = 490;
  m.height = 10;
  m.min = 0;
  m.max = 59;
  m.pos = pos;
  m.channelInset = 9;
  return m;
}

TEST(SliderMathTest, ClickPositionsAtEndsAndMiddle) {
  const PixelRect channel = TrackbarChannelRect(TimeLine(0));
  EXPECT_EQ(channel.left, 9);
  EXPECT_EQ(channel.right, 481);
  EXPECT_EQ(SliderPositionFromCoordinate(channel.left, channel.left, channel.right, 0, 59), 0);
  EXPECT_EQ(SliderPositionFromCoordinate(channel.right, channel.left, channel.right, 0, 59), 59);
  EXPECT_EQ(SliderPositionFromCoordinate(245, channel.left, channel.right, 0, 59), 30);
  // Half a step either side of a value still gives that value.
  EXPECT_EQ(SliderPositionFromCoordinate(9 + 472 * 10 / 59 + 3, 9, 481, 0, 59), 10);
  EXPECT_EQ(SliderPositionFromCoordinate(9 + 472 * 10 / 59 - 3, 9, 481, 0, 59), 10);
  // Beyond the channel the raw value lies outside the range until clamped.
  EXPECT_EQ(ClampSliderPosition(SliderPositionFromCoordinate(489, 9, 481, 0, 59), 0, 59), 59);
  EXPECT_EQ(ClampSliderPosition(SliderPositionFromCoordinate(-40, 9, 481, 0, 59), 0, 59), 0);
  // A range that does not start at 0.
  EXPECT_EQ(SliderPositionFromCoordinate(0, 0, 100, 10, 20), 10);
  EXPECT_EQ(SliderPositionFromCoordinate(100, 0, 100, 10, 20), 20);
  // An empty channel gives the minimum instead of dividing by zero.
  EXPECT_EQ(SliderPositionFromCoordinate(5, 3, 3, 2, 9), 2);
}

TEST(SliderMathTest, PositionAndPointAgreeAcrossTheRange) {
  for (int pos = 0; pos <= 59; ++pos) {
    const PixelRect thumb = TrackbarThumbRect(TimeLine(pos));
    EXPECT_EQ(SliderPositionFromCoordinate(thumb.left, 9, 481, 0, 59), pos) << pos;
  }
}

// Where the thumb image goes beside the track bar's thumb (the slider widget
// test checks it at both ends of the time line).
TEST(SliderMathTest, ThumbImagePlace) {
  // The formula: left = T.left + (W - Tw) / 2 - W, never below 0.
  EXPECT_EQ(BitmapThumbRect(PixelRect{100, 0, 110, 10}, 18, 12, 0, false), (PixelRect{86, 0, 104, 12}));
  EXPECT_EQ(BitmapThumbRect(PixelRect{5, 0, 15, 10}, 18, 12, 3, false), (PixelRect{0, 3, 18, 15}));
  // (W - Tw) / 2 truncates toward zero when the track bar's thumb is wider.
  EXPECT_EQ(BitmapThumbRect(PixelRect{100, 0, 121, 10}, 18, 12, 0, false).left, 100 - 1 - 18);
  // Vertical: the same along y.
  EXPECT_EQ(BitmapThumbRect(PixelRect{0, 40, 10, 52}, 18, 12, 2, true), (PixelRect{2, 40, 20, 52}));
  EXPECT_EQ(BitmapThumbRect(PixelRect{0, 40, 10, 46}, 18, 12, 0, true), (PixelRect{0, 43, 18, 55}));
}

TEST(BitWndFramesTest, OneFrameStripAlwaysShowsFrameZero) {
  BitWndState s;
  for (auto event : {BitWndOnHover, BitWndOnButtonDown, BitWndOnButtonUp}) {
    event(&s, 1);
    EXPECT_EQ(s.frame, 0);
  }
}

TEST(BitWndFramesTest, ThreeFramesFollowHoverPressAndToggle) {
  BitWndState s;
  BitWndOnHover(&s, 3);
  EXPECT_EQ(s.frame, 1);
  BitWndOnButtonDown(&s, 3);
  EXPECT_EQ(s.frame, 2);
  BitWndOnButtonUp(&s, 3);
  EXPECT_EQ(s.frame, 1);
  BitWndOnLeave(&s, 3);
  EXPECT_EQ(s.frame, 0);

  s.toggleMode = true;
  BitWndOnButtonDown(&s, 3);
  EXPECT_TRUE(s.toggled);
  BitWndOnButtonUp(&s, 3);  // toggled: the frame stays
  BitWndOnLeave(&s, 3);
  EXPECT_EQ(s.frame, 2);
  BitWndOnButtonDown(&s, 3);  // pressing a toggled window shows frame 0
  EXPECT_EQ(s.frame, 0);
  EXPECT_FALSE(s.toggled);
}

}  // namespace
}  // namespace orvia
