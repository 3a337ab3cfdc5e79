#include "protocol/reply_collector.h"

#include <string_view>

#include "app/dialog_controls.h"
#include "protocol/frame_format.h"

namespace travex {
namespace {

constexpr uint16_t kLengthFieldEnd = 3;  // start byte and the two length bytes
constexpr int kProtocolPane = 3;

void Show(CParamStore& store, std::string_view text) {
  if (store.owner != nullptr) store.owner->SetPaneText(kProtocolPane, text);
}

// A collection that ends without an answer while a run waits for it ends the run; the run
// itself sees both active flags cleared and bulk_waiting still set.
void EndWaitingRun(BulkFlags& bulk, CollectorTickResult& result) {
  if (bulk.bulk_waiting.load() == 0) return;
  result.was_bulk = true;
  result.ended_run = true;
  bulk.bulk_read_active.store(0);
  bulk.bulk_write_active.store(0);
}

}  // namespace

CollectorTickResult CollectorTick(uint16_t& tick_count, uint16_t& rx_len, CRxRing& ring,
                                  CParamStore& store, BulkFlags& bulk) {
  CollectorTickResult result;
  ++tick_count;

  if (rx_len < kFrameBufferSize) {
    const auto room = static_cast<uint16_t>(kFrameBufferSize - rx_len);
    const uint16_t taken = ring.Pop(store.reply + rx_len, room);
    rx_len = static_cast<uint16_t>(rx_len + (taken < room ? taken : room));
  }

  bool bad_start = false;
  if (rx_len != 0) {
    if (store.reply[0] != kReplyStart) {
      bad_start = true;
      result.stop_timer = true;
      Show(store, "帧错误");
    }
    // The length field is only looked at once it has arrived: before that, offsets 1 and 2
    // still hold an earlier reply's bytes.
    if (rx_len >= kLengthFieldEnd) {
      const uint16_t frame_length = GetU16(store.reply + 1);
      if (rx_len >= frame_length) {
        result.stop_timer = true;
        result.handed_over = true;
        if (bulk.bulk_waiting.load() != 0) {
          result.was_bulk = true;
          bulk.bulk_waiting.store(0);
        }
        result.accepted = store.HandleReply(frame_length);
      }
    }
  }

  if (result.handed_over) return result;

  if (bad_start) {
    result.bad_start = true;
    EndWaitingRun(bulk, result);
  }
  if (tick_count >= kCollectorTickLimit) {
    result.stop_timer = true;
    result.timed_out = true;
    EndWaitingRun(bulk, result);
    Show(store, "超时未响应");
  }
  return result;
}

}  // namespace travex
