// State shared between the read-all / write-all sequencer thread and the reply collection on
// the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace travex {

struct BulkFlags {
  std::atomic<uint8_t> bulk_read_active{0};
  std::atomic<uint8_t> bulk_write_active{0};
  std::atomic<uint8_t> bulk_read_index{0};
  std::atomic<uint8_t> bulk_write_index{0};
  std::atomic<uint8_t> bulk_waiting{0};
};

}  // namespace travex
