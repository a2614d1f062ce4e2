#include "settings/settings_card.h"

#include <algorithm>

#include "library/card_root.h"

namespace orvia {

namespace {

std::string WithSeparator(std::string path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

}  // namespace

SettingsCardChoice ChooseSettingsCard(const std::string& cardInUse, const std::string& openRecording,
                                      const std::vector<std::string>& cardsFound) {
  SettingsCardChoice choice;
  if (!cardInUse.empty()) {
    choice.kind = SettingsCardChoice::Kind::kCard;
    choice.card = WithSeparator(cardInUse);
    return choice;
  }
  // A recording opened by its path still lies on a card (or a copy of one).
  if (const std::string root = openRecording.empty() ? std::string() : CardRootOfRecording(openRecording);
      !root.empty()) {
    choice.kind = SettingsCardChoice::Kind::kCard;
    choice.card = WithSeparator(root);
    return choice;
  }
  for (const std::string& card : cardsFound) {
    const std::string root = WithSeparator(card);
    if (!root.empty() &&
        std::find(choice.candidates.begin(), choice.candidates.end(), root) == choice.candidates.end())
      choice.candidates.push_back(root);
  }
  if (choice.candidates.size() == 1) {
    choice.kind = SettingsCardChoice::Kind::kCard;
    choice.card = choice.candidates.front();
    choice.candidates.clear();
  } else if (choice.candidates.size() > 1) {
    choice.kind = SettingsCardChoice::Kind::kAsk;
  }
  return choice;
}

}  // namespace orvia
