// The main window's places at its design size (1020 x 730), shared by its
// construction and its layouts.
#pragma once

#include <QRect>

namespace orvia {

constexpr int kDesignWidth = 1020;
constexpr int kDesignHeight = 730;
constexpr QRect kFrontRect(305, 51, 700, 393);
constexpr QRect kRearRect(14, 51, 282, 209);
constexpr QRect kMapRect(14, 308, 281, 211);
constexpr QRect kGraphRect(438, 537, 490, 180);
constexpr QRect kTimeLineRect(439, 500, 490, 10);

}  // namespace orvia
