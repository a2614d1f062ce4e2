// orvia-cli bench decode FILE: decodes the first two video streams of a
// recording through the player's decode path (pooled unit queue, one decoder
// thread per view, libavcodec) as fast as the decoders take units, then times
// ffmpeg decoding the same two streams, and prints both rates and their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "player/decode_worker.h"
#include "tools/commands.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Unit {
  std::vector<uint8_t> bytes;
  bool key = false;
};

struct Options {
  const char* file = nullptr;
  int threads = 1;
  int queue = 8;
  int runs = 3;
};

// Reads every packet of the first two video streams into memory.
bool ReadStreams(const char* path, std::vector<Unit> (&units)[2]) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path, nullptr, nullptr) < 0) return false;
  int map[2] = {-1, -1};
  int found = 0;
  for (unsigned i = 0; i < fmt->nb_streams && found < 2; ++i) {
    if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) map[found++] = static_cast<int>(i);
  }
  if (found < 2) {
    avformat_close_input(&fmt);
    return false;
  }
  AVPacket* pkt = av_packet_alloc();
  while (pkt && av_read_frame(fmt, pkt) >= 0) {
    for (int s = 0; s < 2; ++s) {
      if (pkt->stream_index == map[s] && pkt->size > 0) {
        units[s].push_back(
            {std::vector<uint8_t>(pkt->data, pkt->data + pkt->size), (pkt->flags & AV_PKT_FLAG_KEY) != 0});
      }
    }
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  avformat_close_input(&fmt);
  return !units[0].empty() && !units[1].empty();
}

// One run through the player's decode path; returns seconds and the number
// of pictures decoded.
double RunPlayer(const Options& opt, const std::vector<Unit> (&units)[2], int64_t* frames) {
  orvia::player::WorkerOptions wo;
  wo.queueCapacity = opt.queue;
  wo.decoder.threads = opt.threads;
  orvia::player::DecodeWorker workers[2] = {orvia::player::DecodeWorker(wo), orvia::player::DecodeWorker(wo)};
  // No view is attached (display size 0): the decoding alone is timed.
  for (auto& w : workers) {
    if (!w.Start()) return -1;
  }
  const auto start = Clock::now();
  std::thread feeders[2];
  for (int s = 0; s < 2; ++s) {
    feeders[s] = std::thread([&, s] {
      for (const Unit& u : units[s]) {
        while (workers[s].Submit(u.bytes, u.key) < 0) workers[s].WaitForRoom();
      }
      while (!workers[s].RequestDrain()) workers[s].WaitForRoom();
      workers[s].WaitIdle();
    });
  }
  for (auto& f : feeders) f.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  *frames = workers[0].stats().framesDecoded + workers[1].stats().framesDecoded;
  return seconds;
}

// ffmpeg's own timing of its decoding (-benchmark rtime), or the wall time
// of the whole command when that line is missing.
double RunFfmpeg(const char* path) {
  std::string quoted = "'";
  for (const char* p = path; *p; ++p) quoted += (*p == '\'') ? std::string("'\\''") : std::string(1, *p);
  quoted += "'";
  const std::string cmd = "ffmpeg -hide_banner -nostdin -nostats -benchmark -i " + quoted +
                          " -map 0:v:0 -map 0:v:1 -f null - 2>&1";
  const auto start = Clock::now();
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  double rtime = -1;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    const char* r = std::strstr(line, "rtime=");
    if (std::strncmp(line, "bench:", 6) == 0 && r) rtime = std::atof(r + 6);
  }
  const int status = pclose(p);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  if (status != 0) return -1;
  return rtime > 0 ? rtime : wall;
}

}  // namespace

int orvia::cli::RunBenchDecode(int argc, char** argv) {
  Options opt;
  for (int i = 0; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--threads") && hasValue) {
      opt.threads = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--queue") && hasValue) {
      opt.queue = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--runs") && hasValue) {
      opt.runs = std::atoi(argv[++i]);
    } else if (argv[i][0] != '-' && !opt.file) {
      opt.file = argv[i];
    } else {
      opt.file = nullptr;
      break;
    }
  }
  if (!opt.file || opt.threads < 0 || opt.queue < 1 || opt.runs < 1) {
    std::fputs(
        "usage: orvia-cli bench decode FILE [--threads N] [--queue N] [--runs N]\n"
        "  --threads  libavcodec threads per view (default 1: one decoder thread per view)\n"
        "  --queue    units each view queues (default 8)\n"
        "  --runs     runs of each side; the fastest counts (default 3)\n",
        stderr);
    return 2;
  }
  std::vector<Unit> units[2];
  if (!ReadStreams(opt.file, units)) {
    std::fprintf(stderr, "orvia-cli bench decode: %s: cannot read two video streams\n", opt.file);
    return 1;
  }

  double best = -1, bestFfmpeg = -1;
  int64_t frames = 0;
  for (int run = 0; run < opt.runs; ++run) {
    int64_t n = 0;
    const double s = RunPlayer(opt, units, &n);
    if (s < 0) {
      std::fputs("orvia-cli bench decode: no H.264 decoder\n", stderr);
      return 1;
    }
    if (best < 0 || s < best) best = s;
    frames = n;
    const double f = RunFfmpeg(opt.file);
    if (f < 0) {
      std::fputs("orvia-cli bench decode: ffmpeg failed\n", stderr);
      return 1;
    }
    if (bestFfmpeg < 0 || f < bestFfmpeg) bestFfmpeg = f;
  }
  // Both sides decode the same units, so the same number of pictures.
  const double playerFps = frames / best;
  const double ffmpegFps = frames / bestFfmpeg;
  std::printf("file          %s\n", opt.file);
  std::printf("units         %zu + %zu\n", units[0].size(), units[1].size());
  std::printf("pictures      %lld\n", static_cast<long long>(frames));
  std::printf("player        %.3f s  %.1f fps  (threads per view %d, queue %d; units already in memory)\n",
              best, playerFps, opt.threads, opt.queue);
  std::printf("ffmpeg        %.3f s  %.1f fps  (its -benchmark rtime: reading the file included)\n",
              bestFfmpeg, ffmpegFps);
  std::printf("ratio         %.2f\n", playerFps / ffmpegFps);
  return 0;
}
