#include "inbound_line.h"

#include <algorithm>
#include <cstring>

namespace travex::sim {

uint8_t* InboundLine::Space() {
  if (head_ != 0) {
    std::memmove(bytes_, bytes_ + head_, used_ - head_);
    std::memmove(arrival_ns_, arrival_ns_ + head_, (used_ - head_) * sizeof arrival_ns_[0]);
    used_ -= head_;
    head_ = 0;
  }
  return bytes_ + used_;
}

void InboundLine::Commit(size_t count, uint64_t read_ns, uint64_t byte_ns) {
  count = std::min(count, kCapacity - used_);
  for (size_t i = 0; i < count; ++i) {
    last_arrival_ns_ = std::max(read_ns, last_arrival_ns_) + byte_ns;
    arrival_ns_[used_ + i] = last_arrival_ns_;
  }
  used_ += count;
}

void InboundLine::Clear() {
  head_ = 0;
  used_ = 0;
  last_arrival_ns_ = 0;
}

}  // namespace travex::sim
