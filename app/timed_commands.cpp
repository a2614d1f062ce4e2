#include "app/timed_commands.h"

#include <QTimer>
#include <functional>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "controls/bit_slider.h"

namespace orvia {

namespace {

struct TimedCommand {
  int ms = 0;
  std::function<void(COrviaDlg&)> run;
};

bool Parse(const QString& text, TimedCommand* out) {
  const int colon = text.indexOf(':');
  bool ok = false;
  out->ms = text.left(colon).toInt(&ok);
  if (colon < 0 || !ok || out->ms < 0) return false;
  const QString command = text.mid(colon + 1);
  const QString name = command.section('=', 0, 0);
  const int value = command.section('=', 1).toInt(&ok);
  if (name == "speed" && ok && value >= 0 && value <= 4) {
    out->run = [value](COrviaDlg& w) {
      static_cast<CBitSlider*>(w.Control(kSpeedSlider))->SetPos(value);
      w.Playback()->controller().OnSpeed(value);
    };
  } else if (name == "seek" && ok && value >= 0) {
    out->run = [value](COrviaDlg& w) {
      static_cast<CBitSlider*>(w.Control(kTimeLine))->SetPos(value);
      w.Playback()->controller().OnTimeLine(value);
    };
  } else if (command == "pause" || command == "play") {
    const bool pause = command == "pause";
    out->run = [pause](COrviaDlg& w) {
      if (w.Playback()->controller().playing() == pause) w.Playback()->controller().OnPlayPause();
    };
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ScheduleTimedCommands(COrviaDlg& window, const QStringList& specs) {
  if (!window.Playback()) return specs.isEmpty();
  std::vector<TimedCommand> commands(static_cast<size_t>(specs.size()));
  for (qsizetype i = 0; i < specs.size(); ++i) {
    if (!Parse(specs[i], &commands[static_cast<size_t>(i)])) return false;
  }
  for (const TimedCommand& c : commands) {
    QTimer::singleShot(c.ms, &window, [&window, run = c.run] { run(window); });
  }
  return true;
}

}  // namespace orvia
