// Which card the settings dialog edits: the card in use, else the card the
// open recording lies on, else the only card found; several cards found are
// offered to the user to choose from. Plain logic.
#pragma once

#include <string>
#include <vector>

namespace orvia {

struct SettingsCardChoice {
  enum class Kind {
    kCard,  // edit `card`
    kAsk,   // ask the user which of `candidates`
    kNone,  // no card to edit: the dialog shows why
  };
  Kind kind = Kind::kNone;
  std::string card;                     // ends in '/'
  std::vector<std::string> candidates;  // each ending in '/'
};

// `cardInUse`: the window's card root (may be empty); `openRecording`: the
// path of the recording on show (may be empty); `cardsFound`: the card roots
// the card search gives.
SettingsCardChoice ChooseSettingsCard(const std::string& cardInUse, const std::string& openRecording,
                                      const std::vector<std::string>& cardsFound);

}  // namespace orvia
