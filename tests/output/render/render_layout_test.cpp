// Where the views and the overlay's boxes lie: every view keeps its
// proportions inside the picture, the two views never cover each other
// except the rear inset of picture-in-picture, and the boxes lie inside the
// picture without covering each other or the inset.
#include <gtest/gtest.h>

#include <vector>

#include "output/render_export.h"

namespace orvia {
namespace {

bool Inside(const OverlayRect& r, int w, int h) {
  return r.x >= 0 && r.y >= 0 && r.x + r.width <= w && r.y + r.height <= h;
}
bool Overlap(const OverlayRect& a, const OverlayRect& b) {
  if (a.Empty() || b.Empty()) return false;
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}
double Aspect(const OverlayRect& r) { return static_cast<double>(r.width) / r.height; }

TEST(RenderLayoutTest, ViewsKeepTheirProportionsInEveryLayoutAndSize) {
  const RenderLayout layouts[] = {RenderLayout::kFront, RenderLayout::kPip, RenderLayout::kSide,
                                  RenderLayout::kStack};
  const int sizes[][2] = {{1280, 720}, {1920, 1080}, {640, 480}};
  for (const RenderLayout layout : layouts) {
    for (const auto& size : sizes) {
      const ViewPlacement v = PlaceViews(layout, size[0], size[1], 1280, 720, 640, 480);
      SCOPED_TRACE(testing::Message() << static_cast<int>(layout) << " " << size[0] << "x" << size[1]);
      ASSERT_FALSE(v.front.Empty());
      EXPECT_TRUE(Inside(v.front, size[0], size[1]));
      EXPECT_NEAR(Aspect(v.front), 16.0 / 9, 0.02);
      if (layout == RenderLayout::kFront) {
        EXPECT_TRUE(v.rear.Empty());
        continue;
      }
      ASSERT_FALSE(v.rear.Empty());
      EXPECT_TRUE(Inside(v.rear, size[0], size[1]));
      EXPECT_NEAR(Aspect(v.rear), 4.0 / 3, 0.02);
      if (layout == RenderLayout::kPip) {
        EXPECT_NEAR(v.rear.width, size[0] / 4, 1);
      } else {
        EXPECT_FALSE(Overlap(v.front, v.rear));
      }
    }
  }
}

TEST(RenderLayoutTest, BoxesLieInsideThePictureApartFromEachOtherAndTheInset) {
  RenderOptions o;
  o.overlay.gAxes = true;
  for (const auto& size : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
    const OverlayLayout l = OverlayBoxes(o, size.first, size.second);
    const std::vector<OverlayRect> boxes = {l.time, l.speed, l.g, l.route, l.name};
    const ViewPlacement v = PlaceViews(RenderLayout::kPip, size.first, size.second, 1280, 720, 640, 360);
    for (size_t i = 0; i < boxes.size(); ++i) {
      ASSERT_FALSE(boxes[i].Empty()) << i;
      EXPECT_TRUE(Inside(boxes[i], size.first, size.second)) << i;
      EXPECT_FALSE(Overlap(boxes[i], v.rear)) << i;
      for (size_t j = i + 1; j < boxes.size(); ++j)
        EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << i << " " << j;
    }
  }
  o.drawOverlay = false;
  const OverlayLayout none = OverlayBoxes(o, 1280, 720);
  EXPECT_TRUE(none.time.Empty() && none.speed.Empty() && none.g.Empty() && none.route.Empty());
}

}  // namespace
}  // namespace orvia
