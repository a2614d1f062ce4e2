// A player that shows nothing and records every call, for tests of the code
// that drives the players (the playback controller, snapshot and print).
//
//   orvia::player::RecordingPlayer front;
//   controller.Attach(&front, ...);
//   ... run ticks ...
//   ASSERT_EQ(front.calls().size(), 3u);
//   EXPECT_EQ(front.calls()[0].op, PlayerOp::kFeedData);
//   EXPECT_TRUE(front.calls()[0].feed.key);
//   EXPECT_EQ(front.FeedCount(/*sound=*/false), 2);
//
// FeedData answers 0, or -1 while told to refuse (RefuseNextUnits, RefuseUnits).
// SoundQueuedUs answers -1 unless given an answer (SetSoundQueuedAnswer).
// A refused call is recorded too, with `refused` set. SaveSnapshot answers the
// configured result (0 unless set) and writes no file; CopyPicture copies the
// picture given with SetPicture, or answers kNoPicture without one.
// Not thread-safe: used on one thread, like the real player.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "player/player_contract.h"

namespace orvia::player {

struct RecordedFeed {
  bool sound = false;
  bool key = false;
  int32_t length = 0;
  std::vector<uint8_t> bytes;  // a copy of the unit or sound block
  bool refused = false;        // answered -1
};

struct RecordedCall {
  PlayerOp op{};
  std::vector<int32_t> ints;       // the integer arguments in order
  std::vector<void*> addresses;    // the address arguments in order
  std::vector<std::string> texts;  // the text arguments in order
  int32_t answer = 0;
  RecordedFeed feed;  // filled for FeedData only
};

class RecordingPlayer : public PlayerControl {
 public:
  int32_t Call(PlayerOp op, std::span<const PlayerArg> args) override;

  // Refuse the next `count` units (video or sound) with -1.
  void RefuseNextUnits(int count) { refuseNext_ = count; }
  // Refuse the next `count` video units; sound blocks are taken meanwhile.
  void RefuseNextVideoUnits(int count) { refuseNextVideo_ = count; }
  // Refuse every unit while set.
  void RefuseUnits(bool refuse) { refuseAll_ = refuse; }
  void SetSnapshotAnswer(int32_t answer) { snapshotAnswer_ = answer; }
  // What SoundQueuedUs answers (-1, "cannot tell", without one), and a
  // listener told of every call after it was recorded: together they let a
  // test stand in for a sound sink that plays as its clock runs.
  void SetSoundQueuedAnswer(std::function<int32_t()> answer) { soundQueued_ = std::move(answer); }
  // What PictureLatencyUs answers (-1 unless set).
  void SetPictureLatencyAnswer(int32_t us) { pictureLatencyUs_ = us; }
  // What PicturesShown answers (-1, "cannot tell", without one).
  void SetPicturesShownAnswer(std::function<int32_t()> answer) { picturesShown_ = std::move(answer); }
  void SetCallListener(std::function<void(const RecordedCall&)> listener) { listener_ = std::move(listener); }
  // The picture CopyPicture hands out: top row first, 4 bytes per pixel; it is
  // copied out bottom row first like the real player does.
  void SetPicture(int32_t width, int32_t height, std::vector<uint8_t> pixels);

  const std::vector<RecordedCall>& calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // Recorded calls of one operation, in order.
  std::vector<const RecordedCall*> CallsOf(PlayerOp op) const;
  // Units taken (not refused), sound blocks or video units.
  int FeedCount(bool sound) const;
  // Last level given to SetVolume, -1 before any; last SetStopped state.
  int32_t volume() const { return volume_; }
  bool stopped() const { return stopped_; }

 private:
  // FeedData: copies the unit into call.feed and answers 0, or -1 while
  // told to refuse; kBadCall when the arguments do not fit.
  int32_t RecordFeed(RecordedCall& call);
  // CopyPicture into the call's addresses: pixels, width, height, bits.
  int32_t CopyPictureOut(const RecordedCall& call) const;

  std::vector<RecordedCall> calls_;
  int refuseNext_ = 0;
  int refuseNextVideo_ = 0;
  bool refuseAll_ = false;
  int32_t snapshotAnswer_ = 0;
  std::function<int32_t()> soundQueued_;
  int32_t pictureLatencyUs_ = -1;
  std::function<int32_t()> picturesShown_;
  std::function<void(const RecordedCall&)> listener_;
  int32_t volume_ = -1;
  bool stopped_ = false;
  int32_t pictureWidth_ = 0;
  int32_t pictureHeight_ = 0;
  std::vector<uint8_t> picture_;
};

}  // namespace orvia::player
