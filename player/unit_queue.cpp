#include "player/unit_queue.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace orvia::player {

UnitQueue::UnitQueue(int capacity, size_t initialBytes)
    : slots_(static_cast<size_t>(capacity < 1 ? 1 : capacity)) {
  for (UnitSlot& slot : slots_) {
    slot.packet = av_packet_alloc();
    if (slot.packet) slot.packet->buf = av_buffer_alloc(initialBytes + AV_INPUT_BUFFER_PADDING_SIZE);
  }
}

UnitQueue::~UnitQueue() {
  for (UnitSlot& slot : slots_) av_packet_free(&slot.packet);
}

UnitSlot* UnitQueue::Reserve() {
  if (reserved_ || full()) return nullptr;
  reserved_ = true;
  return &slots_[(head_ + count_) % slots_.size()];
}

bool UnitQueue::Fill(UnitSlot* slot, std::span<const uint8_t> bytes, bool key, int64_t sequence) {
  AVPacket* pkt = slot->packet;
  if (!pkt) return false;
  const size_t needed = bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE;
  // The decoder may still hold a reference to the buffer (frame threads keep
  // the packet they decode); then it is not ours to overwrite.
  if (!pkt->buf || pkt->buf->size < needed || !av_buffer_is_writable(pkt->buf)) {
    // Grow to the biggest buffer any slot has, so that after the biggest
    // unit came once each slot grows at most once more.
    size_t size = pkt->buf ? pkt->buf->size : 0;
    if (size < needed) size = needed + needed / 2;
    if (size < largest_) size = largest_;
    largest_ = size;
    av_buffer_unref(&pkt->buf);
    pkt->buf = av_buffer_alloc(size);
    ++allocations_;
    if (!pkt->buf) return false;
  }
  pkt->data = pkt->buf->data;
  pkt->size = static_cast<int>(bytes.size());
  if (!bytes.empty()) std::memcpy(pkt->data, bytes.data(), bytes.size());
  std::memset(pkt->data + bytes.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);
  pkt->pts = pkt->dts = sequence;
  pkt->flags = key ? AV_PKT_FLAG_KEY : 0;
  slot->drain = false;
  return true;
}

void UnitQueue::Commit(bool keep) {
  if (!reserved_) return;
  reserved_ = false;
  if (keep) ++count_;
}

UnitSlot* UnitQueue::Front() { return count_ > 0 ? &slots_[head_] : nullptr; }

void UnitQueue::Pop() {
  if (count_ == 0) return;
  head_ = (head_ + 1) % static_cast<int>(slots_.size());
  --count_;
}

void UnitQueue::DropPending(bool keepFront) {
  if (count_ == 0) return;
  if (reserved_) {
    // The open reservation sits right after the committed slots; keep the
    // ring contiguous by leaving the count as is. Rare: a drop while the
    // producer copies (both run on the same thread in practice).
    return;
  }
  count_ = keepFront ? 1 : 0;
  if (!keepFront) head_ = 0;
}

}  // namespace orvia::player
