// Playback commands given on the command line with the moment they are
// carried out (`--at MS:COMMAND`), so that a measured run (--trace-av,
// --trace-pacing) can seek and change speed on its own:
//   speed=N   the speed slider to position N (0 = 1/4x .. 2 = 1x .. 4 = 4x)
//   seek=S    the time line to second S
//   pause, play   the play/pause button when it would pause or play
// MS counts from when the commands are scheduled.
#pragma once

#include <QStringList>

namespace orvia {

class COrviaDlg;

// Schedules every command on the window's timers. False (and nothing
// scheduled) when one of them cannot be read.
bool ScheduleTimedCommands(COrviaDlg& window, const QStringList& specs);

}  // namespace orvia
