#include "app/startup_trace.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "player/embedded_player.h"

namespace orvia {

namespace {
StartupTrace* g_trace = nullptr;  // the run's trace; the UI thread's only
}  // namespace

void MarkStartupStep(const char* name) {
  if (g_trace) g_trace->Mark(QString::fromLatin1(name));
}

qint64 ProcessAgeMs() {
  // A file of the kernel's, sized 0 by fstat: read up to a bound.
  char buffer[1024] = {};
  FILE* f = std::fopen("/proc/self/stat", "r");
  if (!f) return 0;
  const size_t got = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  const std::string stat(buffer, got);
  // The command name may hold spaces and brackets: the fields after it start
  // after its last ')'. The start time is field 22, the 20th after it.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  size_t at = close + 2;
  for (int field = 3; field < 22 && at < stat.size(); ++field) {
    at = stat.find(' ', at);
    if (at == std::string::npos) return 0;
    ++at;
  }
  const unsigned long long startTicks = std::strtoull(stat.c_str() + at, nullptr, 10);
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  timespec now{};
  if (ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return 0;
  const qint64 nowMs = static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  const qint64 startMs =
      static_cast<qint64>(startTicks * 1000 / static_cast<unsigned long long>(ticksPerSecond));
  return nowMs > startMs ? nowMs - startMs : 0;
}

StartupTrace::StartupTrace(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {
  g_trace = this;
  mainMs_ = ProcessAgeMs();
  sinceMain_.start();
  steps_.push_back({QStringLiteral("process start"), 0});
  Mark(QStringLiteral("main"));
  poll_.setInterval(2);
  connect(&poll_, &QTimer::timeout, this, &StartupTrace::PollPictures);
}

StartupTrace::~StartupTrace() {
  if (g_trace == this) g_trace = nullptr;
}

qint64 StartupTrace::NowMs() const { return mainMs_ + sinceMain_.elapsed(); }

void StartupTrace::Mark(const QString& name) {
  for (const Step& s : steps_)
    if (s.name == name) return;
  steps_.push_back({name, NowMs()});
  Write();
}

void StartupTrace::Watch(COrviaDlg& window) {
  window_ = &window;
  connect(&window, &COrviaDlg::firstPainted, this, [this] { Mark(QStringLiteral("window shown")); });
  connect(&window, &COrviaDlg::cardAnalysed, this, [this] { Mark(QStringLiteral("analysis done")); });
  if (window.FrontPlayer()) poll_.start();
}

// The players count the pictures they have painted; the first one counted
// is the first on screen.
void StartupTrace::PollPictures() {
  if (!window_) return;
  const char* names[2] = {"front picture", "rear picture"};
  player::EmbeddedPlayer* players[2] = {window_->FrontPlayer(), window_->RearPlayer()};
  bool both = true;
  for (int i = 0; i < 2; ++i) {
    if (players[i] && players[i]->PicturesShown() > 0)
      Mark(QString::fromLatin1(names[i]));
    else
      both = false;
  }
  if (both) poll_.stop();
}

void StartupTrace::Write() const {
  std::string text;
  for (const Step& s : steps_) text += std::to_string(s.ms) + " " + s.name.toStdString() + "\n";
  if (FILE* f = std::fopen(path_.toLocal8Bit().constData(), "w")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

}  // namespace orvia
