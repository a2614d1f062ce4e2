// The viewer's command line: read without a display, wrong options refused
// with the usage and status 2, the window system's own options passed over.
#include <gtest/gtest.h>

#include <QProcess>

#include "app/command_line.h"

namespace orvia {
namespace {

using Action = ViewerCommandLine::Action;

TEST(ViewerCommandLine, OptionsPathsAndWrongInput) {
  ViewerCommandLine line = ParseViewerCommandLine({"/usr/bin/orvia", "-platform", "xcb", "--speed", "3",
                                                   "--card=/media/card", "/a/b.avi", "-reverse", "dir"});
  EXPECT_EQ(line.action, Action::kRun);
  EXPECT_EQ(line.speed, 3);
  EXPECT_EQ(line.card, "/media/card");
  EXPECT_EQ(line.paths, (QStringList{"/a/b.avi", "dir"}));
  EXPECT_EQ(line.quitAfterMs, -1);

  for (const QStringList& wrong :
       {QStringList{"orvia", "--bogus"}, QStringList{"orvia", "--speed", "9"}, QStringList{"orvia", "--card"},
        QStringList{"orvia", "--full-screen", "side"}, QStringList{"orvia", "--quit-after", "soon"}}) {
    line = ParseViewerCommandLine(wrong);
    EXPECT_EQ(line.action, Action::kUsageError) << wrong.join(' ').toStdString();
    EXPECT_TRUE(line.output.contains("Usage: orvia")) << line.output.toStdString();
  }
}

// The installed program as a user runs it from a terminal with no display:
// the window system is never asked for, so the xcb platform cannot fail.
TEST(ViewerCommandLine, HelpVersionAndUsageWithoutADisplay) {
  auto run = [](const QStringList& args, QString* out, QString* err) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    p.setProcessEnvironment(env);
    p.start(ORVIA_BIN_DIR "/orvia", args);
    EXPECT_TRUE(p.waitForFinished(30000));
    *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  };
  QString out, err;
  EXPECT_EQ(run({"--help"}, &out, &err), 0) << err.toStdString();
  EXPECT_TRUE(out.startsWith("Usage: orvia [options] [PATH...]")) << out.toStdString();
  EXPECT_TRUE(out.contains("--card <DIR>"));
  EXPECT_EQ(run({"--version"}, &out, &err), 0) << err.toStdString();
  EXPECT_EQ(out, "orvia " ORVIA_VERSION_TEXT "\n");
  EXPECT_EQ(run({"-platform", "offscreen", "-v"}, &out, &err), 0);
  EXPECT_EQ(run({"--no-such-option", "/tmp"}, &out, &err), kUsageExitCode);
  EXPECT_TRUE(out.isEmpty());
  EXPECT_TRUE(err.contains("no-such-option")) << err.toStdString();
  EXPECT_TRUE(err.contains("Usage: orvia")) << err.toStdString();
  // A card folder that is not there is named, before any window.
  EXPECT_EQ(run({"--card", "/nonexistent/card"}, &out, &err), kUsageExitCode);
  EXPECT_TRUE(err.contains("/nonexistent/card")) << err.toStdString();
}

}  // namespace
}  // namespace orvia
