// The tool's bytes on their way over the line to the logger. A pseudo-terminal hands over a
// whole request at once; a real line delivers one byte every 10 bit times (8-N-1). A byte read
// from the pseudo-terminal therefore arrives one byte time after it was read or after the byte
// before it arrived, whichever is later, and the logger sees it only then.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex::sim {

class InboundLine {
 public:
  static constexpr size_t kCapacity = 2048;

  // Room for bytes read from the pseudo-terminal: read at most SpaceLeft() bytes into Space()
  // and Commit them.
  uint8_t* Space();
  size_t SpaceLeft() const { return kCapacity - Pending(); }
  // byte_ns: the time one byte takes on the line; 0 when the line is not paced.
  void Commit(size_t count, uint64_t read_ns, uint64_t byte_ns);

  size_t Pending() const { return used_ - head_; }
  // Arrival time of the i-th byte still on the line (0: the next one); i < Pending().
  uint64_t ArrivalNs(size_t i) const { return arrival_ns_[head_ + i]; }
  // Hands over the next byte; only while Pending() > 0.
  uint8_t Take() { return bytes_[head_++]; }
  // Forgets the bytes still on the line (the logger changed its rate under them).
  void Clear();

 private:
  uint8_t bytes_[kCapacity] = {};
  uint64_t arrival_ns_[kCapacity] = {};
  size_t head_ = 0;  // next byte to hand over
  size_t used_ = 0;
  uint64_t last_arrival_ns_ = 0;
};

}  // namespace travex::sim
