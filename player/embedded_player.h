// A player control that lives in a window: the call contract plus the widget
// that shows its pictures. The main window creates one per view (front,
// rear) through the player module (player_module.h) and places widget().
//
// Threads: user-interface thread only.
#pragma once

#include "player/player_contract.h"

class QWidget;

namespace orvia::player {

class EmbeddedPlayer : public DispatchingPlayer {
 public:
  // The view; owned by the parent given at creation, and deleting it deletes
  // the player.
  virtual QWidget* widget() = 0;
};

}  // namespace orvia::player
