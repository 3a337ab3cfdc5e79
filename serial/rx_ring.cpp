#include "serial/rx_ring.h"

#include "serial/serial_line.h"

namespace travex {

CRxRing::~CRxRing() {
  std::lock_guard lock(mutex_);
  head_ = 0;
  tail_ = 0;
}

uint16_t CRxRing::UsedLocked() const {
  return head_ >= tail_ ? static_cast<uint16_t>(head_ - tail_)
                        : static_cast<uint16_t>(head_ - tail_ + kRingCapacity);
}

uint16_t CRxRing::Used() {
  std::lock_guard lock(mutex_);
  return UsedLocked();
}

void CRxRing::PushLocked() {
  const uint16_t len = chunk_len <= kChunkSize ? chunk_len : static_cast<uint16_t>(kChunkSize);
  for (uint16_t i = 0; i < len; ++i) {
    ring_[head_] = chunk[i];
    // The byte just stored sits in the free slot: the ring is full, the rest is dropped.
    if (UsedLocked() >= kRingCapacity - 1) return;
    head_ = static_cast<uint16_t>((head_ + 1) % kRingCapacity);
  }
  chunk_len = 0;
}

void CRxRing::PushChunk() {
  {
    std::lock_guard lock(mutex_);
    PushLocked();
    ++sequence_;
  }
  changed_.notify_all();
}

void CRxRing::PushChunk(uint32_t generation) {
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_.load()) {
      chunk_len = 0;
      return;
    }
    PushLocked();
    ++sequence_;
  }
  changed_.notify_all();
}

uint64_t CRxRing::Sequence() {
  std::lock_guard lock(mutex_);
  return sequence_;
}

bool CRxRing::WaitForChange(uint64_t seen, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return changed_.wait_until(lock, deadline, [&] { return sequence_ != seen; });
}

void CRxRing::Interrupt() {
  {
    std::lock_guard lock(mutex_);
    ++sequence_;
  }
  changed_.notify_all();
}

uint16_t CRxRing::Pop(uint8_t* destination, uint16_t wanted) {
  std::lock_guard lock(mutex_);
  const uint16_t used = UsedLocked();
  const uint16_t n = wanted < used ? wanted : used;
  if (destination == nullptr) return 0;
  for (uint16_t k = 0; k < n; ++k) {
    destination[k] = ring_[tail_];
    tail_ = static_cast<uint16_t>((tail_ + 1) % kRingCapacity);
  }
  return n;
}

void CRxRing::Clear() {
  // No read is in progress meanwhile: the reader's chunk holds old bytes or none.
  std::lock_guard intake(intake_mutex_);
  if (ISerialLine* port = linked_port_.load()) port->FlushInput();
  std::lock_guard lock(mutex_);
  head_ = 0;
  tail_ = 0;
  generation_.fetch_add(1);
}

}  // namespace travex
