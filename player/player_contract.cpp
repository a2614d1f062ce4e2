#include "player/player_contract.h"

namespace orvia::player {

namespace {

using Kind = PlayerArg::Kind;

// Largest unit or sound block a call may hand over; anything longer is a
// broken length, not data.
constexpr int32_t kMaxFeedBytes = 16 * 1024 * 1024;

bool IsInt(std::span<const PlayerArg> args, size_t i) {
  return i < args.size() && args[i].kind == Kind::kInt;
}
bool IsAddress(std::span<const PlayerArg> args, size_t i) {
  return i < args.size() && args[i].kind == Kind::kAddress;
}

// FeedData's arguments: the hidden flag at 2, the sound and key flags at 3
// and 4, the length at 5 and the bytes at 6. False when they do not fit.
bool ReadFeedArgs(std::span<const PlayerArg> args, bool& hidden, bool& sound, bool& key,
                  std::span<const uint8_t>& bytes) {
  if (args.size() != 7 || !IsInt(args, 3) || !IsInt(args, 4) || !IsInt(args, 5) || !IsAddress(args, 6)) {
    return false;
  }
  hidden = IsInt(args, 2) && args[2].value == 1;
  const int32_t length = args[5].value;
  if (length < 0 || length > kMaxFeedBytes || (length > 0 && args[6].address == nullptr)) return false;
  sound = args[3].value == 1;
  key = args[4].value == 1;
  bytes = {static_cast<const uint8_t*>(args[6].address), static_cast<size_t>(length)};
  return true;
}

// CopyPicture's arguments: four addresses at 1..4 (pixels, width, height,
// bits per pixel), none null.
bool ReadCopyTarget(std::span<const PlayerArg> args, CopyTarget& target) {
  if (args.size() != 8) return false;
  for (size_t i = 1; i <= 4; ++i) {
    if (!IsAddress(args, i) || args[i].address == nullptr) return false;
  }
  target.pixels = static_cast<uint8_t*>(args[1].address);
  target.width = static_cast<int32_t*>(args[2].address);
  target.height = static_cast<int32_t*>(args[3].address);
  target.bitsPerPixel = static_cast<int32_t*>(args[4].address);
  return true;
}

// SetSoundFormat's five numbers, none negative: format tag, channels,
// sample rate, bits per sample, block align.
bool ReadSoundFormat(std::span<const PlayerArg> args, SoundFormat& format) {
  if (args.size() != 5) return false;
  for (size_t i = 0; i < 5; ++i) {
    if (!IsInt(args, i) || args[i].value < 0) return false;
  }
  format.formatTag = static_cast<uint16_t>(args[0].value);
  format.channels = static_cast<uint16_t>(args[1].value);
  format.sampleRate = static_cast<uint32_t>(args[2].value);
  format.bitsPerSample = static_cast<uint16_t>(args[3].value);
  format.blockAlign = static_cast<uint16_t>(args[4].value);
  return true;
}

}  // namespace

int32_t PlayerControl::FeedData(bool sound, bool key, std::span<const uint8_t> bytes, bool hidden) {
  const PlayerArg args[] = {
      PlayerArg::Int(0),
      PlayerArg::Int(0),
      PlayerArg::Int(hidden ? 1 : 0),
      PlayerArg::Int(sound ? 1 : 0),
      PlayerArg::Int(key ? 1 : 0),
      PlayerArg::Int(static_cast<int32_t>(bytes.size())),
      PlayerArg::Address(const_cast<uint8_t*>(bytes.data())),
  };
  return Call(PlayerOp::kFeedData, args);
}

void PlayerControl::SetVolume(int32_t level) {
  const PlayerArg args[] = {PlayerArg::Int(level)};
  Call(PlayerOp::kSetVolume, args);
}

void PlayerControl::SetStopped(bool stopped) {
  const PlayerArg args[] = {PlayerArg::Int(stopped ? 1 : 0)};
  Call(PlayerOp::kSetStopped, args);
}

void PlayerControl::Redraw() { Call(PlayerOp::kRedraw, {}); }

int32_t PlayerControl::SaveSnapshot(std::string_view path) {
  const PlayerArg args[] = {PlayerArg::Text(path), PlayerArg::Int(0), PlayerArg::Int(0)};
  return Call(PlayerOp::kSaveSnapshot, args);
}

void PlayerControl::PrepareCopy() {
  const PlayerArg args[] = {PlayerArg::Int(0)};
  Call(PlayerOp::kPrepareCopy, args);
}

int32_t PlayerControl::CopyPicture(const CopyTarget& target) {
  const PlayerArg args[] = {
      PlayerArg::Int(255),
      PlayerArg::Address(target.pixels),
      PlayerArg::Address(target.width),
      PlayerArg::Address(target.height),
      PlayerArg::Address(target.bitsPerPixel),
      PlayerArg::Int(1),
      PlayerArg::Int(0),
      PlayerArg::Int(0),
  };
  return Call(PlayerOp::kCopyPicture, args);
}

void PlayerControl::SetViewNumber(int32_t number) {
  const PlayerArg args[] = {PlayerArg::Int(number)};
  Call(PlayerOp::kSetViewNumber, args);
}

void PlayerControl::SetSoundFormat(const SoundFormat& format) {
  const PlayerArg args[] = {
      PlayerArg::Int(format.formatTag),
      PlayerArg::Int(format.channels),
      PlayerArg::Int(static_cast<int32_t>(format.sampleRate)),
      PlayerArg::Int(format.bitsPerSample),
      PlayerArg::Int(format.blockAlign),
  };
  Call(PlayerOp::kSetSoundFormat, args);
}

void PlayerControl::FlushSound() { Call(PlayerOp::kFlushSound, {}); }

int32_t PlayerControl::SoundQueuedUs() { return Call(PlayerOp::kSoundQueued, {}); }

void PlayerControl::SetAvTrace(AvTraceSink* sink) {
  const PlayerArg args[] = {PlayerArg::Address(sink)};
  Call(PlayerOp::kSetAvTrace, args);
}

int32_t PlayerControl::PictureLatencyUs() { return Call(PlayerOp::kPictureLatency, {}); }

void PlayerControl::DropUnits() { Call(PlayerOp::kDropUnits, {}); }

int32_t PlayerControl::PicturesShown() { return Call(PlayerOp::kPicturesShown, {}); }

int32_t PlayerControl::PictureDigest(uint8_t (&md5)[16]) {
  const PlayerArg args[] = {PlayerArg::Address(md5)};
  return Call(PlayerOp::kPictureDigest, args);
}

void PlayerControl::Startup(bool front) {
  if (front) {
    const PlayerArg a87[] = {PlayerArg::Int(1), PlayerArg::Int(16)};
    Call(PlayerOp::kStartup87, a87);
  }
  const PlayerArg a77[] = {PlayerArg::Int(1)};
  Call(PlayerOp::kStartup77, a77);
  const PlayerArg a9[] = {PlayerArg::Int(0), PlayerArg::Int(0), PlayerArg::Int(0), PlayerArg::Int(1)};
  Call(PlayerOp::kStartup9, a9);
}

void PlayerControl::Reset(bool soundOn) {
  const PlayerArg zero[] = {PlayerArg::Int(0)};
  const PlayerArg one[] = {PlayerArg::Int(1)};
  if (soundOn) Call(PlayerOp::kReset86, zero);
  for (PlayerOp op : {PlayerOp::kReset57, PlayerOp::kReset58, PlayerOp::kReset59, PlayerOp::kReset60,
                      PlayerOp::kReset62, PlayerOp::kReset63, PlayerOp::kReset74}) {
    Call(op, zero);
  }
  Call(PlayerOp::kReset61, one);
  const PlayerArg a67[] = {PlayerArg::Int(0), PlayerArg::Text({})};
  Call(PlayerOp::kReset67, a67);
}

bool IsSetupOp(PlayerOp op) {
  switch (op) {
    case PlayerOp::kStartup87:
    case PlayerOp::kStartup77:
    case PlayerOp::kStartup9:
    case PlayerOp::kSetViewNumber:
    case PlayerOp::kReset86:
    case PlayerOp::kReset57:
    case PlayerOp::kReset58:
    case PlayerOp::kReset59:
    case PlayerOp::kReset60:
    case PlayerOp::kReset61:
    case PlayerOp::kReset62:
    case PlayerOp::kReset63:
    case PlayerOp::kReset74:
    case PlayerOp::kReset67:
      return true;
    default:
      return false;
  }
}

int32_t DispatchingPlayer::Call(PlayerOp op, std::span<const PlayerArg> args) {
  switch (op) {
    case PlayerOp::kFeedData: {
      bool hidden = false, sound = false, key = false;
      std::span<const uint8_t> bytes;
      if (!ReadFeedArgs(args, hidden, sound, key, bytes)) return kBadCall;
      if (hidden && !sound) return OnFeedHidden(key, bytes);
      return OnFeedData(sound, key, bytes);
    }
    case PlayerOp::kSetVolume:
      if (!IsInt(args, 0)) return kBadCall;
      OnSetVolume(args[0].value < 0 ? 0 : (args[0].value > kVolumeMax ? kVolumeMax : args[0].value));
      return kCallOk;
    case PlayerOp::kSetStopped:
      if (!IsInt(args, 0)) return kBadCall;
      OnSetStopped(args[0].value != 0);
      return kCallOk;
    case PlayerOp::kRedraw:
      OnRedraw();
      return kCallOk;
    case PlayerOp::kSaveSnapshot:
      if (args.empty() || args[0].kind != Kind::kText || args[0].text.empty()) return kBadCall;
      return OnSaveSnapshot(args[0].text);
    case PlayerOp::kPrepareCopy:
      OnPrepareCopy();
      return kCallOk;
    case PlayerOp::kCopyPicture: {
      CopyTarget target;
      if (!ReadCopyTarget(args, target)) return kBadCall;
      return OnCopyPicture(target);
    }
    case PlayerOp::kSetSoundFormat: {
      SoundFormat format;
      if (!ReadSoundFormat(args, format)) return kBadCall;
      OnSetSoundFormat(format);
      return kCallOk;
    }
    case PlayerOp::kFlushSound:
      OnFlushSound();
      return kCallOk;
    case PlayerOp::kSoundQueued:
      return OnSoundQueuedUs();
    case PlayerOp::kPictureLatency:
      return OnPictureLatencyUs();
    case PlayerOp::kDropUnits:
      OnDropUnits();
      return kCallOk;
    case PlayerOp::kPicturesShown:
      return OnPicturesShown();
    case PlayerOp::kPictureDigest:
      if (!IsAddress(args, 0) || args[0].address == nullptr) return kBadCall;
      return OnPictureDigest(static_cast<uint8_t*>(args[0].address));
    case PlayerOp::kSetAvTrace:
      if (!IsAddress(args, 0)) return kBadCall;
      OnSetAvTrace(static_cast<AvTraceSink*>(args[0].address));
      return kCallOk;
    default:
      break;
  }
  if (!IsSetupOp(op)) return kBadCall;
  const auto slot = static_cast<int32_t>(op);
  if (slot >= 0 && slot < kSetupSlots) ++setupCounts_[slot];
  if (op == PlayerOp::kSetViewNumber && IsInt(args, 0)) viewNumber_ = args[0].value;
  OnSetupCall(op, args);
  return kCallOk;
}

int32_t DispatchingPlayer::SetupCallCount(PlayerOp op) const {
  const auto slot = static_cast<int32_t>(op);
  if (!IsSetupOp(op) || slot < 0 || slot >= kSetupSlots) return 0;
  return setupCounts_[slot];
}

void DispatchingPlayer::OnSetupCall(PlayerOp, std::span<const PlayerArg>) {}

}  // namespace orvia::player
