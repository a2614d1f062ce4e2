// orvia-cli bench render FILE: in one run, times our side-by-side render of
// the recording with the overlay (balanced quality) against the ffmpeg
// command line doing the same work: both views decoded, the rear scaled to
// the front's height, stacked side by side, scaled to our output size, text
// drawn with drawtext (when this ffmpeg has it), x264 with the same preset
// and CRF without B-pictures, and the sound as AAC. Each runs twice in
// alternation (the first render also pays for Qt's font set-up); prints the
// best time of each, their ratio and our pictures a second.
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "base/process.h"
#include "library/card_trips.h"
#include "output/render_export.h"
#include "playback/recording_index.h"
#include "tools/commands.h"

namespace orvia::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 2;  // turns of each

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

bool HasDrawtext() {
  ProcessOptions options;
  options.outLimit = 1 << 20;
  const ProcessRun run = RunProcess({"ffmpeg", "-hide_banner", "-filters"}, options);
  return run.exitCode == 0 && run.out.find(" drawtext ") != std::string::npos;
}

// The peer's filter graph: the same picture size and, when it can, text in
// the same places as our overlay's time, speed and G.
std::string PeerFilter(int width, int height, int frontH, bool drawtext) {
  std::string f = "[0:v:1]scale=-2:" + std::to_string(frontH) +
                  "[r];[0:v:0][r]hstack=inputs=2,scale=" + std::to_string(width) + ":" +
                  std::to_string(height);
  if (drawtext) {
    const std::string common = ":font='DejaVu Sans':fontsize=" + std::to_string(height * 28 / 720) +
                               ":fontcolor=white:borderw=3:bordercolor=black:box=1:boxcolor=black@0.55";
    f += ",drawtext=text='%{pts\\:hms}':x=16:y=16" + common;
    f += ",drawtext=text='52 km/h':x=16:y=h-60" + common;
    f += ",drawtext=text='G 1.02':x=200:y=h-60" + common;
  }
  return f + "[v]";
}

// The peer's command line: x264 with the same preset and CRF and no
// B-pictures, as ours, and the sound as AAC.
std::vector<std::string> PeerCommand(const std::string& file, const std::string& out,
                                     const std::string& filter) {
  return {"ffmpeg",    "-hide_banner", "-nostdin",
          "-loglevel", "error",        "-y",
          "-i",        file,           "-filter_complex",
          filter,      "-map",         "[v]",
          "-map",      "0:a?",         "-c:v",
          "libx264",   "-preset",      "veryfast",
          "-crf",      "23",           "-bf",
          "0",         "-c:a",         "aac",
          out};
}

}  // namespace

int RunBenchRender(int argc, char** argv) {
  if (argc != 1 || argv[0][0] == '-') {
    std::fputs("usage: orvia-cli bench render FILE\n", stderr);
    return 2;
  }
  const std::string file = argv[0];
  RecordingIndex index;
  if (!OpenRecording(file, index).IsOpen() || index.secondCount <= 0) {
    std::fprintf(stderr, "orvia-cli bench render: %s: cannot be opened or is not an AVI recording\n",
                 file.c_str());
    return 2;
  }
  av_log_set_level(AV_LOG_FATAL);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char qtName[] = "orvia-cli";
  char* qtArgv[] = {qtName, nullptr};
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  QGuiApplication app(qtArgc, qtArgv);
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("orvia-bench-render-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(folder);

  RenderOptions o;
  o.recordings = {file};
  o.fromMs = 0;
  o.toMs = int64_t{index.secondCount} * 1000;
  o.outputPath = folder + "/ours.mp4";
  o.layout = RenderLayout::kSide;
  const bool drawtext = HasDrawtext();
  // Turns taken in alternation, the best of each kept: other work on the
  // machine slows one run, not the comparison.
  double ours = 1e9, theirs = 1e9;
  RenderResult r;
  for (int run = 0; run < kRuns; ++run) {
    const Clock::time_point ourStart = Clock::now();
    r = RenderVideo(o);
    ours = std::min(ours, Seconds(ourStart));
    if (!r.ok) {
      std::fprintf(stderr, "orvia-cli bench render: %s\n", r.error.c_str());
      std::filesystem::remove_all(folder);
      return 1;
    }
    const Clock::time_point peerStart = Clock::now();
    const ProcessRun peer = RunProcess(PeerCommand(
        file, folder + "/peer.mp4", PeerFilter(r.width, r.height, index.formats.video[0].height, drawtext)));
    theirs = std::min(theirs, Seconds(peerStart));
    if (peer.exitCode != 0) {
      std::fprintf(stderr, "orvia-cli bench render: ffmpeg failed: %s\n", peer.err.c_str());
      std::filesystem::remove_all(folder);
      return 1;
    }
  }
  std::filesystem::remove_all(folder);
  std::printf("picture       %dx%d side by side, %d pictures, %.1f s of video\n", r.width, r.height,
              r.pictures, r.durationMs / 1000.0);
  std::printf("orvia         %.3f s  %.1f fps (overlay drawn with Qt)\n", ours, r.pictures / ours);
  std::printf("ffmpeg        %.3f s  %.1f fps (%s)\n", theirs, r.pictures / theirs,
              drawtext ? "text with drawtext" : "this ffmpeg has no drawtext: no text");
  std::printf("ratio         %.2f (orvia time / ffmpeg time)\n", ours / theirs);
  return 0;
}

}  // namespace orvia::cli
