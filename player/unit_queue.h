// A bounded ring of pooled packets: the units handed to a view wait here for
// its decoder thread. Each slot keeps its AVPacket and buffer for the life of
// the queue; a buffer is only replaced when a bigger unit comes, or when the
// decoder still holds a reference to it (frame threads keep the last packet).
//
// Not synchronised: DecodeWorker guards it with its mutex. One producer
// reserves a slot, fills it without the lock and commits it; one consumer
// reads the front slot and pops it when decoding is over.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct AVPacket;

namespace orvia::player {

struct UnitSlot {
  AVPacket* packet = nullptr;
  bool drain = false;  // not a unit: hand out every frame the decoder holds back
};

class UnitQueue {
 public:
  // `initialBytes` is the buffer each slot starts with.
  UnitQueue(int capacity, size_t initialBytes);
  ~UnitQueue();
  UnitQueue(const UnitQueue&) = delete;
  UnitQueue& operator=(const UnitQueue&) = delete;

  int capacity() const { return static_cast<int>(slots_.size()); }
  int count() const { return count_; }  // committed units, the one being decoded included
  bool full() const { return count_ + (reserved_ ? 1 : 0) >= capacity(); }

  // Producer: the next free slot, or null when full or a reservation is open.
  UnitSlot* Reserve();
  // Producer, without the lock: copies the unit into the reserved slot, with
  // `sequence` as its time stamp. False when no buffer could be had (the
  // reservation is then dropped by Commit(false)).
  bool Fill(UnitSlot* slot, std::span<const uint8_t> bytes, bool key, int64_t sequence);
  // Producer: makes the reserved slot visible (`keep`) or gives it back.
  void Commit(bool keep);

  // Consumer: the oldest committed slot, or null.
  UnitSlot* Front();
  void Pop();
  // Drops every committed slot except the front one when `keepFront`.
  void DropPending(bool keepFront);

  // Buffers allocated since construction (initial ones excluded).
  int64_t bufferAllocations() const { return allocations_; }

 private:
  std::vector<UnitSlot> slots_;
  int head_ = 0;
  int count_ = 0;
  bool reserved_ = false;
  size_t largest_ = 0;                   // biggest buffer allocated so far
  std::atomic<int64_t> allocations_{0};  // written by the producer, read by anyone
};

}  // namespace orvia::player
