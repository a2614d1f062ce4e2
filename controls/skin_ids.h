// Names of the skin bitmaps (controls/skin.h loads them by these ids). Pairs
// are normal / pressed images of one button; windows use the normal image for
// hover and checked as well.
#pragma once

namespace orvia::skin {

// Disk manager: close button of the title band.
inline constexpr int kCloseNormal = 136;
inline constexpr int kClosePressed = 137;
inline constexpr int kCloseHover = 138;

// Main window, top row.
inline constexpr int kUpgradeNormal = 147;
inline constexpr int kUpgradePressed = 148;
inline constexpr int kSetupNormal = 149;
inline constexpr int kSetupPressed = 150;
inline constexpr int kPrintNormal = 151;
inline constexpr int kPrintPressed = 152;
inline constexpr int kCaptureNormal = 153;
inline constexpr int kCapturePressed = 154;
inline constexpr int kMinimizeNormal = 155;
inline constexpr int kMinimizePressed = 156;
inline constexpr int kExitNormal = 157;
inline constexpr int kExitPressed = 158;

// Map switch: the first pair while the map is hidden, the second while shown.
inline constexpr int kMapHiddenNormal = 159;
inline constexpr int kMapHiddenPressed = 160;
inline constexpr int kMapShownNormal = 161;
inline constexpr int kMapShownPressed = 162;

// Full screen for the front or the rear view.
inline constexpr int kFullScreenNormal = 163;
inline constexpr int kFullScreenPressed = 164;

// Playback row (8 bits per pixel).
inline constexpr int kPrevFilePressed = 165;
inline constexpr int kPrevFileNormal = 166;
inline constexpr int kBackNormal = 167;
inline constexpr int kBackPressed = 168;
inline constexpr int kPlayNormal = 169;
inline constexpr int kPlayPressed = 170;
inline constexpr int kForwardNormal = 171;
inline constexpr int kForwardPressed = 172;
inline constexpr int kNextFileNormal = 173;
inline constexpr int kNextFilePressed = 174;
inline constexpr int kPauseNormal = 213;
inline constexpr int kPausePressed = 214;
inline constexpr int kStopPressed = 219;
inline constexpr int kStopNormal = 220;

// Slider channels (right of the thumb, left of it) and the thumb.
inline constexpr int kTimeLineRight = 175;
inline constexpr int kTimeLineLeft = 176;
inline constexpr int kSliderThumb = 177;
inline constexpr int kLevelRight = 179;  // speed and volume
inline constexpr int kLevelLeft = 180;

// Main window surface, SD button and the scales beside the graph.
inline constexpr int kBackground = 186;
inline constexpr int kSdNormal = 187;
inline constexpr int kSdPressed = 188;
inline constexpr int kGraphScaleAcceleration = 189;
inline constexpr int kGraphScaleSpeed = 190;

// Full screen.
inline constexpr int kFullScreenBottomBar = 191;
inline constexpr int kFsRestoreNormal = 192;
inline constexpr int kFsRestorePressed = 193;
inline constexpr int kFsExitNormal = 194;
inline constexpr int kFsExitPressed = 195;
inline constexpr int kFsMinimizeNormal = 196;
inline constexpr int kFsMinimizePressed = 197;
inline constexpr int kFsPrevFileNormal = 205;
inline constexpr int kFsPrevFilePressed = 206;
inline constexpr int kFsPlayNormal = 207;
inline constexpr int kFsPlayPressed = 208;
inline constexpr int kFsNextFileNormal = 209;
inline constexpr int kFsNextFilePressed = 210;
inline constexpr int kFsPauseNormal = 211;
inline constexpr int kFsPausePressed = 212;
inline constexpr int kFullScreenControlBar = 215;
inline constexpr int kFsNormalViewNormal = 216;
inline constexpr int kFsNormalViewPressed = 217;
inline constexpr int kFsStopPressed = 221;
inline constexpr int kFsStopNormal = 222;

// Program logos (1920 x 1080): LOGO_2.bmp and LOGO_1.bmp.
inline constexpr int kLogo2 = 223;
inline constexpr int kLogo1 = 224;

// Graph switch: the first pair while the acceleration plot is shown.
inline constexpr int kGraphAccelerationNormal = 230;
inline constexpr int kGraphAccelerationPressed = 231;
inline constexpr int kGraphSpeedNormal = 232;
inline constexpr int kGraphSpeedPressed = 233;

}  // namespace orvia::skin
