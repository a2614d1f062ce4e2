// The main window's keyboard: playback, files, speed, views, snapshot and
// print, each the same as its button; and the key named in the buttons'
// tooltips. Enter and Esc keep their own handling (leaving full screen).
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QToolTip>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "controls/bit_slider.h"
#include "controls/skin_button.h"

namespace orvia {
namespace {

struct KeyBinding {
  int key;
  Qt::KeyboardModifiers modifiers;
  int command;   // the button whose command the key gives; 0 for the keys below
  bool repeats;  // held down, the key acts again
};

constexpr int kSpeedUp = -1;
constexpr int kSpeedDown = -2;
constexpr int kFullScreenToggle = -3;
constexpr int kStepBack = -4;  // one picture back while paused, else the back button

const KeyBinding kBindings[] = {
    {Qt::Key_Space, Qt::NoModifier, kPlayButton, false},
    {Qt::Key_Left, Qt::NoModifier, kStepBack, true},
    {Qt::Key_Right, Qt::NoModifier, kForwardButton, true},
    {Qt::Key_PageUp, Qt::NoModifier, kPreviousFileButton, false},
    {Qt::Key_PageDown, Qt::NoModifier, kNextFileButton, false},
    {Qt::Key_Up, Qt::NoModifier, kSpeedUp, true},
    {Qt::Key_Down, Qt::NoModifier, kSpeedDown, true},
    {Qt::Key_F, Qt::NoModifier, kFullScreenToggle, false},
    {Qt::Key_M, Qt::NoModifier, kMapButton, false},
    {Qt::Key_G, Qt::NoModifier, kGraphModeButton, false},
    {Qt::Key_S, Qt::ControlModifier, kCaptureButton, false},
    {Qt::Key_P, Qt::ControlModifier, kPrintButton, false},
};

QString KeyName(int key, Qt::KeyboardModifiers modifiers) {
  return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)))
      .toString(QKeySequence::NativeText);
}

}  // namespace

bool COrviaDlg::HandleKey(QKeyEvent* event) {
  // The keypad's arrows and page keys carry the keypad flag; they count the same.
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (modifiers == Qt::NoModifier && !event->isAutoRepeat()) {
    // The card's events: N the next, Shift+N the previous; T shows them all.
    if (event->key() == Qt::Key_N) {
      JumpToEvent(!(event->modifiers() & Qt::ShiftModifier));
      return true;
    }
    if (event->key() == Qt::Key_T && !fullScreen_) {
      OpenTripsView();
      return true;
    }
  }
  for (const KeyBinding& b : kBindings) {
    if (b.key != event->key() || b.modifiers != modifiers) continue;
    if (event->isAutoRepeat() && !b.repeats) return true;
    switch (b.command) {
      case kSpeedUp:
      case kSpeedDown: {
        auto* slider = static_cast<CBitSlider*>(Control(kSpeedSlider));
        const int position = qBound(0, slider->GetPos() + (b.command == kSpeedUp ? 1 : -1), 4);
        if (position == slider->GetPos()) return true;
        slider->SetPos(position);
        if (playback_) playback_->controller().OnSpeed(position);
        return true;
      }
      case kStepBack:
        if (playback_ && playback_->controller().OnStepBack()) return true;
        if (CxSkinButton* button = Button(kBackButton); button && button->isEnabled()) OnCommand(kBackButton);
        return true;
      case kFullScreenToggle:
        if (fullScreen_)
          LeaveFullScreen();
        else
          EnterFullScreen(true);
        return true;
      case kMapButton:
      case kGraphModeButton:
        // Map and graph are not shown in full screen; their buttons are hidden there.
        if (!fullScreen_) OnCommand(b.command);
        return true;
      default:
        // A disabled button (nothing to play) refuses its key as it refuses a click.
        if (CxSkinButton* button = Button(b.command); button && !button->isEnabled()) return true;
        OnCommand(b.command);
        return true;
    }
  }
  return false;
}

QString COrviaDlg::KeyHint(int id) {
  switch (id) {
    case kFullFrontButton:
      return KeyName(Qt::Key_F, Qt::NoModifier);
    case kBackButton:
      return KeyName(Qt::Key_Left, Qt::NoModifier);
    case kRestoreButton:
    case kNormalButton:
      return KeyName(Qt::Key_Escape, Qt::NoModifier);
    case kSpeedSlider:
      return KeyName(Qt::Key_Up, Qt::NoModifier) + " / " + KeyName(Qt::Key_Down, Qt::NoModifier);
    default:
      break;
  }
  for (const KeyBinding& b : kBindings)
    if (b.command == id) return KeyName(b.key, b.modifiers);
  return {};
}

QString COrviaDlg::ToolTipWithKey(int id) const {
  QWidget* control = Control(id);
  if (!control) return {};
  const QString hint = KeyHint(id);
  const QString text = control->toolTip();
  if (hint.isEmpty()) return text;
  return text.isEmpty() ? hint : text + " (" + hint + ")";
}

bool COrviaDlg::ShowToolTipWithKey(QObject* watched, QHelpEvent* event) {
  for (const auto& [id, widget] : controls_) {
    if (widget != watched || KeyHint(id).isEmpty()) continue;
    QToolTip::showText(event->globalPos(), ToolTipWithKey(id), widget);
    return true;
  }
  return false;
}

}  // namespace orvia
