#include "tests/support/recording_player.h"

#include <cstring>

namespace orvia::player {

namespace {

// The call with its arguments sorted by kind, in order.
RecordedCall RecordArgs(PlayerOp op, std::span<const PlayerArg> args) {
  RecordedCall call;
  call.op = op;
  for (const PlayerArg& a : args) {
    switch (a.kind) {
      case PlayerArg::Kind::kInt:
        call.ints.push_back(a.value);
        break;
      case PlayerArg::Kind::kAddress:
        call.addresses.push_back(a.address);
        break;
      case PlayerArg::Kind::kText:
        call.texts.emplace_back(a.text);
        break;
    }
  }
  return call;
}

}  // namespace

int32_t RecordingPlayer::RecordFeed(RecordedCall& call) {
  if (call.ints.size() != 6 || call.addresses.size() != 1 || call.ints[5] < 0 ||
      (call.ints[5] > 0 && call.addresses[0] == nullptr)) {
    return kBadCall;
  }
  call.feed.sound = call.ints[3] == 1;
  call.feed.key = call.ints[4] == 1;
  call.feed.length = call.ints[5];
  const auto* bytes = static_cast<const uint8_t*>(call.addresses[0]);
  call.feed.bytes.assign(bytes, bytes + call.feed.length);
  const bool refuseVideo = !call.feed.sound && refuseNextVideo_ > 0;
  if (!refuseAll_ && refuseNext_ <= 0 && !refuseVideo) return kCallOk;
  if (refuseVideo) {
    --refuseNextVideo_;
  } else if (refuseNext_ > 0) {
    --refuseNext_;
  }
  call.feed.refused = true;
  return kNotTaken;
}

int32_t RecordingPlayer::CopyPictureOut(const RecordedCall& call) const {
  if (call.addresses.size() != 4) return kBadCall;
  if (picture_.empty()) return kNoPicture;
  auto* out = static_cast<uint8_t*>(call.addresses[0]);
  const size_t row = static_cast<size_t>(pictureWidth_) * 4;
  for (int32_t y = 0; y < pictureHeight_; ++y) {
    std::memcpy(out + row * y, picture_.data() + row * (pictureHeight_ - 1 - y), row);
  }
  *static_cast<int32_t*>(call.addresses[1]) = pictureWidth_;
  *static_cast<int32_t*>(call.addresses[2]) = pictureHeight_;
  *static_cast<int32_t*>(call.addresses[3]) = 32;
  return kCallOk;
}

int32_t RecordingPlayer::Call(PlayerOp op, std::span<const PlayerArg> args) {
  RecordedCall call = RecordArgs(op, args);
  int32_t answer = kCallOk;
  switch (op) {
    case PlayerOp::kFeedData:
      answer = RecordFeed(call);
      break;
    case PlayerOp::kSetVolume:
      if (!call.ints.empty()) volume_ = call.ints[0];
      break;
    case PlayerOp::kSetStopped:
      if (!call.ints.empty()) stopped_ = call.ints[0] != 0;
      break;
    case PlayerOp::kSaveSnapshot:
      answer = snapshotAnswer_;
      break;
    case PlayerOp::kSoundQueued:
      answer = soundQueued_ ? soundQueued_() : -1;
      break;
    case PlayerOp::kPictureLatency:
      answer = pictureLatencyUs_;
      break;
    case PlayerOp::kPicturesShown:
      answer = picturesShown_ ? picturesShown_() : -1;
      break;
    case PlayerOp::kCopyPicture:
      answer = CopyPictureOut(call);
      break;
    default:
      break;
  }
  call.answer = answer;
  calls_.push_back(std::move(call));
  if (listener_) listener_(calls_.back());
  return answer;
}

void RecordingPlayer::SetPicture(int32_t width, int32_t height, std::vector<uint8_t> pixels) {
  if (width <= 0 || height <= 0 || width > kCopyMaxWidth || height > kCopyMaxHeight ||
      pixels.size() != static_cast<size_t>(width) * height * 4) {
    pictureWidth_ = pictureHeight_ = 0;
    picture_.clear();
    return;
  }
  pictureWidth_ = width;
  pictureHeight_ = height;
  picture_ = std::move(pixels);
}

std::vector<const RecordedCall*> RecordingPlayer::CallsOf(PlayerOp op) const {
  std::vector<const RecordedCall*> out;
  for (const RecordedCall& c : calls_) {
    if (c.op == op) out.push_back(&c);
  }
  return out;
}

int RecordingPlayer::FeedCount(bool sound) const {
  int n = 0;
  for (const RecordedCall& c : calls_) {
    if (c.op == PlayerOp::kFeedData && c.answer != kNotTaken && c.answer != kBadCall && c.feed.sound == sound)
      ++n;
  }
  return n;
}

}  // namespace orvia::player
