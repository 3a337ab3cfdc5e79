// CRxRing: the 2096-byte receive ring that ReaderThread fills and the reply collection drains.
// When the ring is full new data is dropped and old data kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace travex {

inline constexpr uint16_t kRingCapacity = 2096;
inline constexpr size_t kChunkSize = 1024;

class CRxRing {
 public:
  CRxRing() = default;
  virtual ~CRxRing();
  CRxRing(const CRxRing&) = delete;
  CRxRing& operator=(const CRxRing&) = delete;

  uint16_t Used();
  // Moves the first chunk_len bytes of chunk into the ring (ReaderThread only).
  void PushChunk();
  uint16_t Pop(uint8_t* destination, uint16_t wanted);
  void Clear();

  uint8_t chunk[kChunkSize] = {};
  uint16_t chunk_len = 0;

 private:
  uint16_t UsedLocked() const;

  std::mutex mutex_;
  uint8_t ring_[kRingCapacity] = {};
  uint16_t head_ = 0;
  uint16_t tail_ = 0;
  uint16_t capacity_ = kRingCapacity;
};

}  // namespace travex
