// Which card the settings dialog edits.
#include "settings/settings_card.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/settings/card_fixture.h"

namespace orvia {
namespace {

using Kind = SettingsCardChoice::Kind;

TEST(SettingsCard, CardInUseThenTheRecordingsCardThenTheOnlyCardFoundElseAskOrNone) {
  test::TempCard card;
  card.WriteSetup("x");
  const std::string recording = card.Root() + "Normal/20261207/N_20261207_083000.avi";
  std::filesystem::create_directories(card.Root() + "Normal/20261207");
  std::ofstream(recording) << "RIFF";

  // The card in use wins over everything, with its separator.
  SettingsCardChoice c = ChooseSettingsCard("/media/u/CARD", recording, {"/media/u/OTHER/"});
  EXPECT_EQ(c.kind, Kind::kCard);
  EXPECT_EQ(c.card, "/media/u/CARD/");
  // A recording opened by its path: the card it lies on.
  c = ChooseSettingsCard("", recording, {"/media/u/OTHER/", "/media/u/THIRD/"});
  EXPECT_EQ(c.kind, Kind::kCard);
  EXPECT_EQ(c.card, card.Root());
  // A recording on no card: the one card found (listed twice, once without
  // its separator).
  c = ChooseSettingsCard("", "/tmp/loose.avi", {"/media/u/OTHER", "/media/u/OTHER/"});
  EXPECT_EQ(c.kind, Kind::kCard);
  EXPECT_EQ(c.card, "/media/u/OTHER/");
  // Several: the user picks.
  c = ChooseSettingsCard("", "", {"/media/u/A/", "/media/u/B/"});
  EXPECT_EQ(c.kind, Kind::kAsk);
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"/media/u/A/", "/media/u/B/"}));
  // None: nothing to edit.
  c = ChooseSettingsCard("", "", {});
  EXPECT_EQ(c.kind, Kind::kNone);
  EXPECT_TRUE(c.card.empty());
}

}  // namespace
}  // namespace orvia
