// CRxRing: the 2096-byte receive ring that ReaderThread fills and the reply collection drains.
// When the ring is full new data is dropped and old data kept. One slot always stays free, so
// the ring holds at most 2095 bytes.
//
// One mutex makes PushChunk, Pop and Clear mutually exclusive; it is held only for the copy.
//
// Clear must leave nothing of an earlier reply behind, also not what is still on its way:
//  - bytes waiting in the driver: Clear first discards the input queue of the linked port
//    (LinkPort; the session links its ring to its line);
//  - bytes the reader has already read but not yet pushed: every Clear starts a new generation.
//    The reader takes Generation() before its Read and pushes with PushChunk(generation); a
//    chunk read in an earlier generation is dropped instead of stored. The reader holds
//    LockIntake() from the generation to the push, and Clear takes it too, so a read never
//    straddles a Clear: what is read after it (the next reply) is never taken for old bytes.
// So after Clear returns, the ring only ever receives bytes the device sent after the flush.
//
// Whoever waits for a reply waits on the ring: every push and every Interrupt advances the
// ring's sequence and wakes the waiters, so a reply is taken the moment its bytes are in.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace travex {

class ISerialLine;

inline constexpr uint16_t kRingCapacity = 2096;
inline constexpr size_t kChunkSize = 1024;

class CRxRing {
 public:
  CRxRing() = default;
  explicit CRxRing(ISerialLine* linked_port) : linked_port_(linked_port) {}
  virtual ~CRxRing();
  CRxRing(const CRxRing&) = delete;
  CRxRing& operator=(const CRxRing&) = delete;

  // The port whose input queue Clear discards (nullptr: none). Set before the reader starts.
  void LinkPort(ISerialLine* port) { linked_port_.store(port); }

  uint16_t Used();
  uint16_t Capacity() const { return capacity_; }
  // Moves the first chunk_len bytes of chunk into the ring (ReaderThread only). When the ring
  // fills up the rest of the chunk is dropped and chunk_len keeps its value; otherwise
  // chunk_len becomes 0.
  void PushChunk();
  // The same, but only when no Clear came after `generation` was taken; otherwise the chunk is
  // dropped (chunk_len becomes 0).
  void PushChunk(uint32_t generation);
  uint32_t Generation() const { return generation_.load(); }
  // Held by the reader from taking the generation to its push; Clear waits for it.
  std::unique_lock<std::mutex> LockIntake() { return std::unique_lock(intake_mutex_); }
  // Copies up to wanted bytes, oldest first; returns how many.
  uint16_t Pop(uint8_t* destination, uint16_t wanted);
  // Empties the ring (see above). chunk and chunk_len are left alone.
  void Clear();

  // The count of pushes and interruptions so far. A waiter reads it, looks at the ring, and
  // then waits for it to change.
  uint64_t Sequence();
  // Waits until the sequence differs from `seen` or the deadline passes; true when it differs.
  bool WaitForChange(uint64_t seen, std::chrono::steady_clock::time_point deadline);
  // Wakes the waiters without data (a cancelled wait, a device that hung up).
  void Interrupt();

  uint8_t chunk[kChunkSize] = {};
  uint16_t chunk_len = 0;

 private:
  uint16_t UsedLocked() const;
  void PushLocked();

  std::mutex intake_mutex_;  // the reader's read and push, against Clear
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t sequence_ = 0;
  uint8_t ring_[kRingCapacity] = {};
  uint16_t head_ = 0;
  uint16_t tail_ = 0;
  uint16_t capacity_ = kRingCapacity;
  std::atomic<uint32_t> generation_{0};
  std::atomic<ISerialLine*> linked_port_{nullptr};
};

}  // namespace travex
