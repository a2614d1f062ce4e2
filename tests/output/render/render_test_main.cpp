// The render tests run in one QGuiApplication on the offscreen platform: the
// overlay's text needs Qt's fonts.
#include <gtest/gtest.h>

#include <QGuiApplication>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  av_log_set_level(AV_LOG_ERROR);  // the encoders' statistics are not the tests' output
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
