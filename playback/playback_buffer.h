// The units and sound due with the current playback step. One instance for
// the process, its buffers allocated once when it is built; nothing is
// allocated per unit.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "playback/telemetry.h"

namespace orvia {

constexpr int32_t kUnitBufferBytes = 525312;  // per view: parameter-set header + unit
constexpr int32_t kSoundBufferBytes = 32768;  // sound blocks of one step

struct PlaybackBuffer {
  // Per view (0 front, 1 rear): the unit waiting to be handed over, read at
  // unitStart[s] = headerLen[s] so that the stream's parameter-set header can
  // be copied in front of an IDR unit (then unitStart[s] = 0).
  int32_t unitLen[2] = {0, 0};  // 0 = no unit this step
  int32_t unitStart[2] = {0, 0};
  std::unique_ptr<uint8_t[]> unitBuf[2];  // kUnitBufferBytes each

  int32_t soundLen = 0;                 // bytes in soundBuf
  std::unique_ptr<uint8_t[]> soundBuf;  // kSoundBufferBytes

  int32_t unixTime = 0;      // Unix time of the current second
  uint16_t millisecond = 0;  // position within the current second
  bool newSecond = false;    // the last step entered a new second
  RecordingDate date;        // unixTime broken down as UTC

  int32_t nextVideo[2] = {0, 0};  // next entry of each video list
  int32_t nextSound = 0;          // next entry of the sound list

  PlaybackBuffer()
      : unitBuf{std::make_unique<uint8_t[]>(kUnitBufferBytes), std::make_unique<uint8_t[]>(kUnitBufferBytes)},
        soundBuf(std::make_unique<uint8_t[]>(kSoundBufferBytes)) {}

  // Back to the state of a new buffer; the allocations and their bytes stay.
  void Clear() {
    unitLen[0] = unitLen[1] = 0;
    unitStart[0] = unitStart[1] = 0;
    soundLen = 0;
    unixTime = 0;
    millisecond = 0;
    newSecond = false;
    date = RecordingDate{};
    nextVideo[0] = nextVideo[1] = 0;
    nextSound = 0;
  }

  std::span<const uint8_t> Unit(int s) const {
    return {unitBuf[s].get() + unitStart[s], static_cast<size_t>(unitLen[s])};
  }
  std::span<const uint8_t> Sound() const { return {soundBuf.get(), static_cast<size_t>(soundLen)}; }
};

}  // namespace orvia
