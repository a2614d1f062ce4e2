// Geometry of the skinned controls: frames of a bitmap strip, the slider's
// position from a point and its thumb rectangle, the bitmap window's frames.
#include <gtest/gtest.h>

#include "controls/bit_wnd_frames.h"
#include "controls/slider_math.h"
#include "controls/strip_layout.h"

namespace orvia {
namespace {

TEST(StripLayoutTest, FrameSizeZeroTakesTheWholeBitmap) {
  const StripLayout channel = MakeStripLayout(490, 10, 0, 0);
  EXPECT_EQ(channel.frameCount, 1);
  EXPECT_EQ(channel.frameWidth, 490);
  EXPECT_EQ(channel.frameHeight, 10);
  EXPECT_FALSE(channel.vertical);

  const StripLayout thumb = MakeStripLayout(18, 12, 18, 12);
  EXPECT_EQ(thumb.frameCount, 1);
  PixelRect r;
  ASSERT_TRUE(StripFrameRect(thumb, 0, &r));
  EXPECT_EQ(r, (PixelRect{0, 0, 18, 12}));
}

TEST(StripLayoutTest, NarrowBitmapsStackTheirFrames) {
  const StripLayout tall = MakeStripLayout(36, 187, 0, 0);
  EXPECT_TRUE(tall.vertical);
  EXPECT_EQ(tall.frameCount, 1);

  const StripLayout stacked = MakeStripLayout(20, 90, 20, 30);
  EXPECT_EQ(stacked.frameCount, 3);
  PixelRect r;
  ASSERT_TRUE(StripFrameRect(stacked, 2, &r));
  EXPECT_EQ(r, (PixelRect{0, 60, 20, 90}));
}

TEST(StripLayoutTest, FramesSideBySideCountOnlyWholeFrames) {
  const StripLayout strip = MakeStripLayout(100, 20, 30, 0);
  EXPECT_EQ(strip.frameCount, 3);  // 10 pixels left over
  PixelRect r;
  ASSERT_TRUE(StripFrameRect(strip, 1, &r));
  EXPECT_EQ(r, (PixelRect{30, 0, 60, 20}));
  PixelRect untouched{1, 2, 3, 4};
  EXPECT_FALSE(StripFrameRect(strip, 3, &untouched));  // index == frameCount
  EXPECT_FALSE(StripFrameRect(strip, -1, &untouched));
  EXPECT_EQ(untouched, (PixelRect{1, 2, 3, 4}));
  EXPECT_EQ(MakeStripLayout(0, 0, 0, 0).frameCount, 0);
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

TEST(SliderMathTest, HorizontalThumbImageCentresOnThePositionAndStaysInside) {
  const PixelRect atStart = BitmapThumbRect(TrackbarThumbRect(TimeLine(0)), 18, 12, 0, false);
  EXPECT_EQ(atStart, (PixelRect{0, 0, 18, 12}));
  const PixelRect atEnd = BitmapThumbRect(TrackbarThumbRect(TimeLine(59)), 18, 12, 0, false);
  EXPECT_EQ(atEnd, (PixelRect{472, 0, 490, 12}));
  // The formula: left = T.left + (W - Tw) / 2 - W, never below 0.
  EXPECT_EQ(BitmapThumbRect(PixelRect{100, 0, 110, 10}, 18, 12, 0, false), (PixelRect{86, 0, 104, 12}));
  EXPECT_EQ(BitmapThumbRect(PixelRect{5, 0, 15, 10}, 18, 12, 3, false), (PixelRect{0, 3, 18, 15}));
  // (W - Tw) / 2 truncates toward zero when the track bar's thumb is wider.
  EXPECT_EQ(BitmapThumbRect(PixelRect{100, 0, 121, 10}, 18, 12, 0, false).left, 100 - 1 - 18);
}

TEST(SliderMathTest, VerticalThumbImage) {
  EXPECT_EQ(BitmapThumbRect(PixelRect{0, 40, 10, 52}, 18, 12, 2, true), (PixelRect{2, 40, 20, 52}));
  EXPECT_EQ(BitmapThumbRect(PixelRect{0, 40, 10, 46}, 18, 12, 0, true), (PixelRect{0, 43, 18, 55}));
}

TEST(BitWndFramesTest, OneFrameStripAlwaysShowsFrameZero) {
  BitWndState s;
  BitWndOnHover(&s, 1);
  EXPECT_EQ(s.frame, 0);
  BitWndOnButtonDown(&s, 1);
  EXPECT_EQ(s.frame, 0);
  BitWndOnButtonUp(&s, 1);
  EXPECT_EQ(s.frame, 0);
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
