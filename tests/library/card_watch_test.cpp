// The card watch over a mount table file whose content changes.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <filesystem>

#include "library/card_watch.h"
#include "library_test_support.h"

namespace orvia {
namespace {

using test::MountInfoLine;

class CardWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = tmp / "mountinfo";
    Write(true, true);
  }
  void Write(bool card, bool other) {
    std::string text = test::SystemMountLines();
    if (other) text += MountInfoLine(20, "/media/stick", "/dev/sdc1");
    if (card) text += MountInfoLine(21, "/media/sd card", "/dev/mmcblk0p1");
    test::WriteFile(table, text);
  }

  test::TempFolder tmp;
  std::string table;
  QString cardRoot = "/media/sd card/";
};

TEST_F(CardWatchTest, ReportsTheRemovalOfTheCardRootOnceEachTime) {
  CardWatch watch(QString::fromStdString(table));
  watch.SetCardRootProvider([this] { return cardRoot; });
  QSignalSpy removed(&watch, &CardWatch::cardRemoved);

  EXPECT_EQ(watch.Check(), QString());  // nothing changed
  Write(true, false);                   // another volume goes
  EXPECT_EQ(watch.Check(), QString());
  Write(false, false);  // the card goes
  EXPECT_EQ(watch.Check(), "/media/sd card");
  EXPECT_EQ(watch.Check(), QString());  // reported once
  Write(true, false);                   // put back and pulled again: reported again
  watch.Check();
  Write(false, false);
  EXPECT_EQ(watch.Check(), "/media/sd card");
  ASSERT_EQ(removed.count(), 2);
  EXPECT_EQ(removed.at(0).at(0).toString(), "/media/sd card");
}

TEST_F(CardWatchTest, TellsEachInsertedCardOnceAndAgainWhenPutBack) {
  const std::string card = tmp / "inserted";
  const std::string stick = tmp / "stick";
  std::filesystem::create_directories(card + "/Normal");
  std::filesystem::create_directories(stick);
  const auto write = [&](bool withCard) {
    std::string text = test::SystemMountLines() + MountInfoLine(30, stick, "/dev/sdd1");
    if (withCard) text += MountInfoLine(31, card, "/dev/sde1");
    test::WriteFile(table, text);
  };
  CardWatch watch(QString::fromStdString(table));
  QSignalSpy inserted(&watch, &CardWatch::cardInserted);
  write(false);  // a volume without Normal is no card
  watch.Check();
  EXPECT_EQ(inserted.count(), 0);
  write(true);
  watch.Check();
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted.at(0).at(0).toString().toStdString(), card + "/");
  watch.Check();  // told once
  EXPECT_EQ(inserted.count(), 1);
  write(false);  // pulled and put back: told again
  watch.Check();
  write(true);
  watch.Check();
  EXPECT_EQ(inserted.count(), 2);
}

TEST_F(CardWatchTest, StaysQuietWithoutACardInUse) {
  CardWatch watch(QString::fromStdString(table));
  QSignalSpy removed(&watch, &CardWatch::cardRemoved);
  Write(false, true);
  EXPECT_EQ(watch.Check(), QString());  // no provider at all
  Write(true, true);
  watch.Check();
  watch.SetCardRootProvider([] { return QString(); });
  Write(false, true);
  EXPECT_EQ(watch.Check(), QString());  // the card root was emptied first
  EXPECT_EQ(removed.count(), 0);
}

TEST_F(CardWatchTest, AnUnreadableTableChangesNothing) {
  CardWatch watch(QString::fromStdString(table));
  watch.SetCardRootProvider([this] { return cardRoot; });
  QSignalSpy removed(&watch, &CardWatch::cardRemoved);
  std::remove(table.c_str());
  EXPECT_EQ(watch.Check(), QString());
  EXPECT_FALSE(watch.Start());
  Write(false, true);  // the table comes back without the card
  EXPECT_EQ(watch.Check(), "/media/sd card");
  EXPECT_EQ(removed.count(), 1);
}

TEST(CardWatch, ListensToTheRunningSystemsTable) {
  if (!QFile::exists(QStringLiteral("/proc/self/mountinfo"))) GTEST_SKIP() << "no /proc here";
  CardWatch watch;
  watch.SetCardRootProvider([] { return QStringLiteral("/"); });
  EXPECT_TRUE(watch.Start());
  EXPECT_TRUE(watch.IsListening());
  EXPECT_EQ(watch.Check(), QString());  // the root file system never goes
}

}  // namespace
}  // namespace orvia
