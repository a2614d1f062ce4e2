#include "base/process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

extern char** environ;

namespace orvia {
namespace {

std::string_view NameOf(std::string_view entry) { return entry.substr(0, entry.find('=')); }

// Reads both pipes until the child closes them, keeping at most the limits.
void Drain(int outFd, int errFd, const ProcessOptions& options, ProcessRun& run) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int open = 2;
  char buffer[8192];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        std::string& sink = i == 0 ? run.out : run.err;
        const size_t limit = i == 0 ? options.outLimit : options.errLimit;
        if (sink.size() < limit) sink.append(buffer, std::min(static_cast<size_t>(n), limit - sink.size()));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& p : fds)
    if (p.fd >= 0) ::close(p.fd);
}

}  // namespace

std::vector<std::string> MergedEnvironment(const char* const* base, const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (const char* const* e = base; e && *e; ++e) {
    const std::string_view name = NameOf(*e);
    const bool replaced =
        std::any_of(extra.begin(), extra.end(), [&](const std::string& x) { return NameOf(x) == name; });
    if (!replaced) env.emplace_back(*e);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessRun run;
  if (argv.empty()) return run;
  int outPipe[2] = {-1, -1};
  int errPipe[2] = {-1, -1};
  if (options.capture) {
    if (::pipe2(outPipe, O_CLOEXEC) != 0) return run;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
      ::close(outPipe[0]);
      ::close(outPipe[1]);
      return run;
    }
  }
  // Everything the child needs is made here, before it exists.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const std::vector<std::string> envText = MergedEnvironment(environ, options.extraEnv);
  std::vector<char*> env;
  for (const std::string& e : envText) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (options.capture) {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (options.capture) {
    ::close(outPipe[1]);
    ::close(errPipe[1]);
  }
  if (spawned != 0) {
    if (options.capture) {
      ::close(outPipe[0]);
      ::close(errPipe[0]);
    }
    run.exitCode = 127;
    return run;
  }
  if (options.capture) Drain(outPipe[0], errPipe[0], options, run);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace orvia
