// The call contract of the player control: every operation is one call that
// takes an operation number and its arguments and answers a 32-bit integer.
// The program holds a PlayerControl per view (front, rear) and uses the typed
// wrappers below; implementations (the real player, the recording test double)
// override Call, usually through DispatchingPlayer, which checks the arguments
// and routes each operation to a typed handler.
//
// Threads: every call on a PlayerControl is made on the user-interface thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orvia {

// The sound a player is handed, as the recording's stream header gives it;
// zero where a field was absent.
struct SoundFormat {
  uint16_t formatTag = 0;  // 1 = PCM
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  uint16_t blockAlign = 0;
};

}  // namespace orvia

namespace orvia::player {

enum class PlayerOp : int32_t {
  kRedraw = 6,
  kStartup9 = 9,
  kReset57 = 57,
  kReset58 = 58,
  kReset59 = 59,
  kReset60 = 60,
  kReset61 = 61,
  kReset62 = 62,
  kReset63 = 63,
  kPrepareCopy = 64,
  kReset67 = 67,
  kSaveSnapshot = 70,
  kReset74 = 74,
  kSetViewNumber = 75,
  kFeedData = 76,
  kStartup77 = 77,
  kCopyPicture = 78,
  kSetVolume = 79,
  kReset86 = 86,
  kStartup87 = 87,
  kSetStopped = 88,
  // Beyond the control's original operations: hands the player the sound
  // format of the recording (format tag, channels, sample rate, bits per
  // sample, block align).
  kSetSoundFormat = 1001,
  // Drops the sound queued and not yet played, as far as the player can
  // (no arguments).
  kFlushSound = 1002,
  // Answers the microseconds of sound handed over that have not played yet
  // (queue and sink), or -1 when the player cannot tell (no arguments).
  kSoundQueued = 1003,
  // Address of an AvTraceSink (or null): where the player reports when its
  // pictures are shown and its sound plays.
  kSetAvTrace = 1004,
  // Answers the microseconds a picture takes from its unit's hand-over to the
  // screen (a running mean), or -1 before the first one (no arguments).
  kPictureLatency = 1005,
  // Drops the video units waiting to be decoded; the one being decoded
  // finishes (no arguments). For a jump to another place or recording, so
  // that the pictures of the old place do not follow the new one's.
  kDropUnits = 1006,
  // Answers how many pictures the player has put on screen (counting on past
  // INT32_MAX from 0), or -1 when it cannot tell (no arguments). Playback
  // starts its clock once the first picture of a new place is on show.
  kPicturesShown = 1007,
  // Address of 16 bytes: the MD5 of the picture on show, its planes packed
  // without padding (as `ffmpeg -f framemd5` hashes a decoded picture), once
  // the units handed over are decoded. kNoPicture when none is on show. For
  // tests and diagnostics.
  kPictureDigest = 1008,
};

// Told by a player when what it was handed reaches the user; for measuring
// the offset between picture and sound. Times are steady-clock nanoseconds
// (std::chrono::steady_clock). Called on the user-interface thread.
class AvTraceSink {
 public:
  // A new picture went on screen in view `viewNumber` (2 front, 3 rear);
  // `luma` is its mean brightness, 0..255.
  virtual void PictureShown(int32_t viewNumber, int64_t steadyNs, int32_t luma) = 0;
  // The loudest sample of a sound block played; `peak` is its magnitude,
  // 0..32767.
  virtual void SoundPlayed(int64_t steadyNs, int32_t peak) = 0;

 protected:
  ~AvTraceSink() = default;
};

// One argument of a call. Addresses are pointers of the machine's size; text
// is UTF-8 and only valid for the duration of the call.
struct PlayerArg {
  enum class Kind : uint8_t { kInt, kAddress, kText };
  Kind kind = Kind::kInt;
  int32_t value = 0;
  void* address = nullptr;
  std::string_view text;

  static PlayerArg Int(int32_t v) { return {Kind::kInt, v, nullptr, {}}; }
  static PlayerArg Address(void* p) { return {Kind::kAddress, 0, p, {}}; }
  static PlayerArg Text(std::string_view t) { return {Kind::kText, 0, nullptr, t}; }
};

// Answers shared by the operations.
constexpr int32_t kCallOk = 0;
constexpr int32_t kNotTaken = -1;     // FeedData: the unit was not taken now, offer it again
constexpr int32_t kBadCall = -2;      // unknown operation or wrong arguments
constexpr int32_t kNoPicture = -3;    // SaveSnapshot, CopyPicture: nothing decoded to give
constexpr int32_t kWriteFailed = -4;  // SaveSnapshot: the file could not be written

// CopyPicture fills at most this many pixels of 4 bytes.
constexpr int32_t kCopyMaxWidth = 1920;
constexpr int32_t kCopyMaxHeight = 1088;
constexpr int32_t kCopyBufferBytes = kCopyMaxWidth * kCopyMaxHeight * 4;

// Volume levels of SetVolume.
constexpr int32_t kVolumeMax = 10;

// The picture CopyPicture fills: 32 bits per pixel, bytes B, G, R, 0xFF in
// memory (QImage::Format_RGB32 on a little-endian machine), rows of width x 4
// bytes without filler, bottom row first (the row order of a bitmap file).
struct CopyTarget {
  uint8_t* pixels = nullptr;  // at least kCopyBufferBytes
  int32_t* width = nullptr;
  int32_t* height = nullptr;
  int32_t* bitsPerPixel = nullptr;
};

class PlayerControl {
 public:
  virtual ~PlayerControl() = default;

  // The one entry point: operation number and arguments in the order of the
  // contract. Unknown operations and wrong arguments answer kBadCall.
  virtual int32_t Call(PlayerOp op, std::span<const PlayerArg> args) = 0;

  // Typed wrappers; each builds the argument list of its operation.
  // Hands over one H.264 access unit (Annex B) or, with sound set, one sound
  // block. The bytes are copied before the call returns. -1: not taken now.
  // A hidden unit (argument 2 set) is decoded, so that the units after it can
  // be, but its picture is never shown, kept or copied: the pictures a step
  // decodes on its way to the one it shows.
  int32_t FeedData(bool sound, bool key, std::span<const uint8_t> bytes, bool hidden = false);
  void SetVolume(int32_t level);  // 0 silent .. 10
  void SetStopped(bool stopped);
  void Redraw();
  // Writes the current picture as a 24-bit bitmap file; 0 when written.
  int32_t SaveSnapshot(std::string_view path);
  void PrepareCopy();
  // Fills `target` (see CopyTarget); not negative when a picture was copied.
  int32_t CopyPicture(const CopyTarget& target);
  void SetViewNumber(int32_t number);  // 2 front, 3 rear
  void SetSoundFormat(const SoundFormat& format);
  void FlushSound();
  // Microseconds of sound handed over and not yet played; -1 when unknown.
  int32_t SoundQueuedUs();
  void SetAvTrace(AvTraceSink* sink);
  // Microseconds from a unit's hand-over to its picture on screen; -1 unknown.
  int32_t PictureLatencyUs();
  void DropUnits();
  // Pictures put on screen so far; -1 unknown.
  int32_t PicturesShown();
  // MD5 of the picture on show into `md5`; kCallOk, or kNoPicture.
  int32_t PictureDigest(uint8_t (&md5)[16]);
  // The one-time set-up calls of the main window: 87 (1, 16) on the front,
  // 77 (1) and 9 (0, 0, 0, 1) on both.
  void Startup(bool front);
  // The first-load reset: 86 (0) when the sound is on, 57..63 and 74 with 0,
  // 61 with 1, 67 with 0 and empty text.
  void Reset(bool soundOn);
};

// Routes checked calls to typed handlers. Start-up and reset calls go to
// OnSetupCall, which by default only counts them.
class DispatchingPlayer : public PlayerControl {
 public:
  int32_t Call(PlayerOp op, std::span<const PlayerArg> args) final;

  // How often each start-up or reset operation was called (0 for others).
  int32_t SetupCallCount(PlayerOp op) const;
  int32_t viewNumber() const { return viewNumber_; }

 protected:
  virtual int32_t OnFeedData(bool sound, bool key, std::span<const uint8_t> bytes) = 0;
  virtual void OnSetVolume(int32_t level) = 0;
  virtual void OnSetStopped(bool stopped) = 0;
  virtual void OnRedraw() = 0;
  virtual int32_t OnSaveSnapshot(std::string_view path) = 0;
  virtual void OnPrepareCopy() = 0;
  virtual int32_t OnCopyPicture(const CopyTarget& target) = 0;
  virtual void OnSetSoundFormat(const SoundFormat& format) = 0;
  // Sound timing; by default there is no sound queue to flush or tell about.
  virtual void OnFlushSound() {}
  virtual int32_t OnSoundQueuedUs() { return -1; }
  virtual void OnSetAvTrace(AvTraceSink*) {}
  virtual int32_t OnPictureLatencyUs() { return -1; }
  virtual void OnDropUnits() {}
  virtual int32_t OnPicturesShown() { return -1; }
  // A hidden unit; a player that cannot hide pictures decodes and shows it.
  virtual int32_t OnFeedHidden(bool key, std::span<const uint8_t> bytes) {
    return OnFeedData(false, key, bytes);
  }
  virtual int32_t OnPictureDigest(uint8_t*) { return kNoPicture; }
  virtual void OnSetupCall(PlayerOp op, std::span<const PlayerArg> args);

 private:
  static constexpr int kSetupSlots = 100;
  int32_t setupCounts_[kSetupSlots] = {};
  int32_t viewNumber_ = 0;
};

// True for the start-up and reset operations (87, 77, 9, 75, 86, 57..63, 74, 67).
bool IsSetupOp(PlayerOp op);

}  // namespace orvia::player
