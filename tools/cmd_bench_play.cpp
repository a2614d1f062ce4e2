// orvia-cli bench play CARD_ROOT [--seconds N] [--warmup N]: what playing
// costs the machine. The viewer opens the card under the display it is
// given and plays its first recording at 1x and at 4x, with the map shown
// and hidden (a private settings folder holds that choice); after the warm-
// up, the CPU time of the viewer and every process it started (the web
// engine's among them) is summed over N seconds. The peer is ffmpeg reading
// the earliest recording at the same pace (-re, or -readrate 4) and decoding
// both video streams and the sound for the same N seconds. Prints each
// figure in clock ticks and seconds, and the ratio to the peer.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <chrono>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/process.h"
#include "library/recording_names.h"
#include "tools/child_process.h"
#include "tools/commands.h"

extern char** environ;

namespace orvia::cli {
namespace {

namespace fs = std::filesystem;

struct Options {
  const char* card = nullptr;
  int seconds = 20;
  int warmup = 10;
};

// utime + stime of every process whose parent chain reaches `root`, in
// clock ticks. A process that ended before the count is not in it.
long long TreeTicks(pid_t root) {
  struct Proc {
    pid_t parent = 0;
    long long ticks = 0;
  };
  std::map<pid_t, Proc> procs;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(e.path() / "stat");
    std::string line;
    if (!std::getline(in, line)) continue;
    // The command name may hold spaces: the fields start after its last ')'.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long long ppid = 0, utime = 0, stime = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %lld %*s %*s %*s %*s %*s %*s %*s %*s %*s %lld %lld",
                    &state, &ppid, &utime, &stime) != 4)
      continue;
    procs[static_cast<pid_t>(std::atoll(name.c_str()))] = {static_cast<pid_t>(ppid), utime + stime};
  }
  long long total = 0;
  for (const auto& [pid, p] : procs) {
    pid_t at = pid;
    for (int depth = 0; depth < 64 && at > 1; ++depth) {
      if (at == root) {
        total += p.ticks;
        break;
      }
      auto it = procs.find(at);
      if (it == procs.end()) break;
      at = it->second.parent;
    }
  }
  return total;
}

// The viewer's CPU ticks over `o.seconds` after `o.warmup`, or -1.
long long ViewerTicks(const Options& o, int speedPosition, bool mapShown, const fs::path& home) {
  std::error_code ec;
  const fs::path config = home / "config";
  fs::remove_all(home, ec);
  fs::create_directories(config / "orvia", ec);
  std::ofstream(config / "orvia" / "orvia.conf") << "[window]\nmap=" << (mapShown ? "true" : "false") << "\n";
  const std::string quitAfter = std::to_string((o.warmup + o.seconds + 5) * 1000);
  const std::string viewer = OwnFolder() + "orvia";
  std::vector<std::string> args = {viewer,         "--card", o.card, "--speed", std::to_string(speedPosition),
                                   "--quit-after", quitAfter};
  std::vector<std::string> env = MergedEnvironment(
      environ, {"XDG_CONFIG_HOME=" + config.string(), "XDG_CACHE_HOME=" + (home / "cache").string(),
                "XDG_DATA_HOME=" + (home / "data").string()});
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, viewer.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  std::this_thread::sleep_for(std::chrono::seconds(o.warmup));
  const long long before = TreeTicks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
  const long long after = TreeTicks(pid);
  int status = 0;
  const bool running = waitpid(pid, &status, WNOHANG) == 0;
  kill(pid, SIGTERM);
  waitpid(pid, &status, 0);
  return running && after >= before ? after - before : -1;
}

// The earliest recording of the card by its name's date and time.
std::string EarliestRecording(const char* card) {
  std::string best, bestKey;
  for (int m = 0; m < kModeCount; ++m)
    for (const FoundRecording& f : FindModeRecordings(card, static_cast<RecordingMode>(m))) {
      const std::string key = f.date + " " + f.time;
      if (best.empty() || key < bestKey) {
        best = f.path;
        bestKey = key;
      }
    }
  return best;
}

// ffmpeg's CPU ticks decoding `file` at `speed` times real time for `seconds`, or -1.
long long PeerTicks(const std::string& file, int speed, int seconds) {
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error"};
  if (speed == 1) {
    args.push_back("-re");
  } else {
    args.insert(args.end(), {"-readrate", std::to_string(speed)});
  }
  args.insert(args.end(), {"-stream_loop", "-1", "-i", file, "-map", "0:v:0", "-map", "0:v:1", "-map", "0:a",
                           "-t", std::to_string(seconds * speed), "-f", "null", "-"});
  ProcessOptions options;
  options.capture = false;
  if (RunProcess(args, options).exitCode != 0) return -1;
  getrusage(RUSAGE_CHILDREN, &after);
  const auto us = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000LL + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
  };
  return (us(after) - us(before)) * sysconf(_SC_CLK_TCK) / 1000000;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 0; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--seconds") && hasValue) {
      o->seconds = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--warmup") && hasValue) {
      o->warmup = std::atoi(argv[++i]);
    } else if (argv[i][0] != '-' && !o->card) {
      o->card = argv[i];
    } else {
      return false;
    }
  }
  return o->card && o->seconds >= 1 && o->seconds <= 600 && o->warmup >= 0 && o->warmup <= 600;
}

}  // namespace

int RunBenchPlay(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fputs("usage: orvia-cli bench play CARD_ROOT [--seconds N (20)] [--warmup N (10)]\n", stderr);
    return 2;
  }
  const std::string file = EarliestRecording(o.card);
  if (file.empty()) {
    std::fprintf(stderr, "orvia-cli bench play: %s holds no recordings\n", o.card);
    return 2;
  }
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    std::fputs("orvia-cli bench play: no display (set DISPLAY, or run it under xvfb-run)\n", stderr);
    return 2;
  }
  const char* tmp = std::getenv("TMPDIR");
  const fs::path home =
      fs::path(tmp && *tmp ? tmp : "/tmp") / ("orvia-bench-play-" + std::to_string(getpid()));
  const long tick = sysconf(_SC_CLK_TCK);
  std::printf("%d s after %d s of warm-up; %ld ticks a second\n", o.seconds, o.warmup, tick);
  int failures = 0;
  for (const int speed : {1, 4}) {
    const long long peer = PeerTicks(file, speed, o.seconds);
    std::printf("ffmpeg %dx, %-12s %6lld ticks %7.2f s\n", speed, speed == 1 ? "-re" : "-readrate 4", peer,
                static_cast<double>(peer) / tick);
    for (const bool map : {true, false}) {
      const long long ticks = ViewerTicks(o, speed == 1 ? 2 : 4, map, home);
      std::printf("viewer %dx, map %-7s %6lld ticks %7.2f s  %.2f x ffmpeg\n", speed,
                  map ? "shown" : "hidden", ticks, static_cast<double>(ticks) / tick,
                  peer > 0 && ticks >= 0 ? static_cast<double>(ticks) / peer : 0.0);
      failures += ticks < 0;
    }
    failures += peer < 0;
    std::fflush(stdout);
  }
  std::error_code ec;
  fs::remove_all(home, ec);
  if (failures)
    std::fputs("orvia-cli bench play: a run failed (the viewer ended early or ffmpeg failed)\n", stderr);
  return failures ? 1 : 0;
}

}  // namespace orvia::cli
