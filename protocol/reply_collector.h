// Collection of a ParamResponse: one call per 100 ms tick of the response timer moves what has
// arrived from the receive ring into the store's reply buffer and hands a complete frame to
// the store's parser.
#pragma once

#include <cstdint>

#include "params/param_store.h"
#include "protocol/bulk_flags.h"
#include "serial/rx_ring.h"

namespace travex {

inline constexpr uint16_t kCollectorTickLimit = 30;

struct CollectorTickResult {
  bool stop_timer = false;   // the caller stops the response timer
  bool handed_over = false;  // a complete frame went to HandleReply
  bool accepted = false;     // ...and the parser accepted it
  bool timed_out = false;    // the 30th tick passed without a complete frame
  bool bad_start = false;    // the first byte was not 0xAA and no frame was handed over
  bool was_bulk = false;     // the collection answered a read-all or write-all step
  bool ended_run = false;    // the collection ended a run (time-out or bad start byte)
};

// One tick. tick_count and rx_len are the dialog's collector counters (zeroed when the timer is
// started). Status texts go to pane 3 through store.owner.
CollectorTickResult CollectorTick(uint16_t& tick_count, uint16_t& rx_len, CRxRing& ring,
                                  CParamStore& store, BulkFlags& bulk);

}  // namespace travex
