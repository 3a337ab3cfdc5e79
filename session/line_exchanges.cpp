#include "session/line_exchanges.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "params/value_lists.h"
#include "protocol/frame_format.h"
#include "protocol/reply_collector.h"
#include "serial/rx_ring.h"

namespace travex {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kLinkReplyBuffer = 30;

// 3.5 characters of 10 bits (start, 8 data, stop) at the line's rate.
Clock::duration InterFrameGap(uint32_t baud) {
  if (baud == 0) return {};
  return std::chrono::microseconds(35'000'000ull / baud);
}

// How long the longest frame takes on the line.
Clock::duration LongestFrameTime(uint32_t baud) {
  if (baud == 0) return {};
  return std::chrono::microseconds(uint64_t{kFrameBufferSize} * 10'000'000ull / baud);
}

}  // namespace

CLineExchanges::CLineExchanges(ISerialLine& port, CRxRing& ring) : port_(port), ring_(ring) {}

void CLineExchanges::Trace(bool sent, const uint8_t* bytes, size_t length) {
  if (sink_ == nullptr) return;
  FrameRecord record;
  record.time = std::chrono::system_clock::now();
  record.sent = sent;
  record.length = static_cast<uint16_t>(std::min(length, sizeof record.bytes));
  std::memcpy(record.bytes, bytes, record.length);
  sink_->OnFrame(record);
}

void CLineExchanges::NoteAnswerEnd() {
  line_.free_at = Clock::now() + InterFrameGap(port_.Rate());
}

void CLineExchanges::NoteAbandoned(const uint8_t* bytes, uint16_t got, Clock::time_point last) {
  line_.unsettled = true;
  line_.quiet_since = last;
  line_.frame_time = LongestFrameTime(port_.Rate());  // the rate the logger answers at
  line_.got = std::min<uint16_t>(got, sizeof line_.answer);
  line_.traced = line_.got;  // the exchange has reported them
  std::memcpy(line_.answer, bytes, line_.got);
}

bool CLineExchanges::TakeStrayBytes() {
  uint8_t discard[kFrameBufferSize];
  bool any = false;
  for (;;) {
    const uint16_t room = static_cast<uint16_t>(sizeof line_.answer - line_.got);
    uint8_t* into = room != 0 ? line_.answer + line_.got : discard;
    const uint16_t n = ring_.Pop(into, room != 0 ? room : sizeof discard);
    if (n == 0) break;
    if (room != 0) line_.got = static_cast<uint16_t>(line_.got + n);
    any = true;
  }
  if (any) {
    // Whoever sends these, its frames are judged at the rate we hear them at, at the least.
    line_.frame_time = std::max(line_.unsettled ? line_.frame_time : Clock::duration{},
                                LongestFrameTime(port_.Rate()));
    line_.unsettled = true;
    line_.quiet_since = Clock::now();
  }
  return any;
}

bool CLineExchanges::StrayAnswerComplete() {
  const CollectCheck check = CheckCollected(line_.answer, line_.got);
  return check.state == CollectState::kComplete && check.length == line_.got;
}

void CLineExchanges::EndStray() {
  if (line_.got > line_.traced) Trace(false, line_.answer + line_.traced, line_.got - line_.traced);
  line_.unsettled = false;
  line_.got = 0;
  line_.traced = 0;
}

bool CLineExchanges::Settle(std::stop_token stop) {
  // However busy the line stays, the request goes out after this.
  const auto give_up = Clock::now() + LongestFrameTime(port_.Rate()) + kReplyTimeout;
  for (;;) {
    const uint64_t seen = ring_.Sequence();
    if (TakeStrayBytes() && StrayAnswerComplete()) {
      EndStray();
      NoteAnswerEnd();
    }
    if (stop.stop_requested()) return false;
    const auto now = Clock::now();
    auto ready = line_.free_at;
    if (line_.unsettled) ready = std::max(ready, line_.quiet_since + line_.frame_time);
    if (now >= ready || now >= give_up) {
      if (line_.unsettled) EndStray();
      return true;
    }
    ring_.WaitForChange(seen, std::min(ready, give_up));
  }
}

bool CLineExchanges::Open(const PortTarget& target, uint32_t baud) {
  std::lock_guard io(io_mutex_);
  // Nothing of another line's exchanges arrives on this one.
  if (target != target_) line_ = {};
  target_ = target;
  port_.Select(target, baud);
  const bool opened = port_.Open() != 0;
  // The open discarded what the driver held, so whether an answer in progress is whole can no
  // longer be told by counting; what arrives from now on is looked at afresh.
  ring_.Clear();
  line_.got = 0;
  line_.traced = 0;
  NoteAnswerEnd();
  return opened;
}

int SearchOrder(uint32_t first, uint32_t order[]) {
  int n = 0;
  for (const ValueEntry& entry : kBaudRateList) {
    if (entry.code == first) order[n++] = first;
  }
  for (const ValueEntry& entry : kBaudRateList) {
    if (entry.code != first) order[n++] = entry.code;
  }
  return n;
}

std::chrono::milliseconds QuickSearchWindow(uint32_t rate) {
  // Query and answer, one link frame each, of 10-bit characters.
  const uint64_t wire_ms = (2 * kLinkFrameSize * 10 * 1000 + rate - 1) / rate;
  return std::chrono::milliseconds(wire_ms) + kQuickSearchMargin;
}

SearchResult CLineExchanges::Search(const PortTarget& target, ISearchObserver* observer,
                                    std::stop_token stop, uint32_t first_rate) {
  uint8_t query[kLinkFrameSize];
  link_codec.BuildQuery(query);
  // A line fixed to one rate (raw TCP) is tried at that rate only.
  const uint32_t fixed = port_.FixedRate(target);
  uint32_t order[kBaudRateCount];
  int count = 1;
  if (fixed != 0) {
    order[0] = fixed;
  } else {
    count = SearchOrder(first_rate, order);
  }
  bool refused[kBaudRateCount] = {};
  bool any_opened = false;
  uint32_t last_open = 0;
  for (const bool quick : {true, false}) {
    // One rate alone is tried once, with the full window.
    if (quick && fixed != 0) continue;
    for (int k = 0; k < count; ++k) {
      if (stop.stop_requested()) return {SearchStatus::kCancelled};
      if (refused[k]) continue;
      const uint32_t rate = order[k];
      if (observer != nullptr) observer->OnTryingRate(rate, k);
      if (!Open(target, rate)) {
        // Some adapters refuse single rates (14400, 56000): the search goes on with the next.
        if (!port_.LastOpenRefusedSettings()) return {SearchStatus::kOpenFailed};
        refused[k] = true;
        continue;
      }
      any_opened = true;
      last_open = rate;
      const auto window = quick ? QuickSearchWindow(rate) : kSearchWindow;
      if (LinkExchange(query, window, stop)) {
        return {SearchStatus::kFound, link_codec.GetBaud(), link_codec.GetAddress(), fixed};
      }
    }
    // Every rate refused: whatever this device is, it takes no line settings.
    if (!any_opened) break;
  }
  if (stop.stop_requested()) return {SearchStatus::kCancelled};
  if (!any_opened) return {SearchStatus::kOpenFailed, 0, 0, fixed};
  // Nothing answered: the port stays open at the last rate of the list, wherever the order
  // ended (a line fixed to one rate stays at it).
  const uint32_t last_rate = kBaudRateList[kBaudRateCount - 1].code;
  if (fixed == 0 && last_open != last_rate) Open(target, last_rate);
  return {SearchStatus::kNoAnswer, 0, 0, fixed};
}

template <typename Done>
CLineExchanges::CollectEnd CLineExchanges::SendAndCollect(const uint8_t* frame, size_t length, uint8_t* answer,
                                              uint16_t capacity, std::chrono::milliseconds window,
                                              std::stop_token stop, Done done, uint16_t* got) {
  *got = 0;
  std::stop_callback wake(stop, [this] { ring_.Interrupt(); });
  if (!Settle(stop)) return CollectEnd::kCancelled;
  // The ring's Clear also drops what the driver and the reader still hold of earlier answers.
  ring_.Clear();
  port_.Write(frame, length);
  Trace(true, frame, length);

  auto last_byte = Clock::now();
  const auto deadline = last_byte + window;
  CollectEnd end = CollectEnd::kTimeout;
  for (;;) {
    const uint64_t seen = ring_.Sequence();
    const auto room = static_cast<uint16_t>(capacity - *got);
    const uint16_t taken = ring_.Pop(answer + *got, room);
    if (taken != 0) last_byte = Clock::now();
    *got = static_cast<uint16_t>(*got + taken);
    // An answer completed just before the deadline counts: completion is looked at first.
    if (done(answer, *got)) {
      end = CollectEnd::kDone;
      break;
    }
    if (stop.stop_requested()) {
      end = CollectEnd::kCancelled;
      break;
    }
    if (port_.IsLost()) {
      end = CollectEnd::kLost;
      break;
    }
    if (Clock::now() >= deadline) break;
    ring_.WaitForChange(seen, deadline);
  }
  if (end == CollectEnd::kDone) {
    NoteAnswerEnd();
  } else if (end != CollectEnd::kTimeout || *got != 0) {
    // Given up while an answer may be on its way. Nothing at all within the window is no
    // answer in progress that anyone knows of.
    NoteAbandoned(answer, *got, last_byte);
  }
  return end;
}

bool CLineExchanges::LinkExchange(const uint8_t* frame, std::chrono::milliseconds window,
                            std::stop_token stop) {
  std::lock_guard io(io_mutex_);
  uint8_t reply[kLinkReplyBuffer];
  uint16_t got = 0;
  // A reply may arrive in pieces: take until one link frame's worth is in.
  SendAndCollect(frame, kLinkFrameSize, reply, sizeof reply, window, stop,
                 [](const uint8_t*, uint16_t count) { return count >= kLinkFrameSize; }, &got);
  if (got == 0) return false;
  Trace(false, reply, got);
  return link_codec.CheckReply(reply, got);
}

ExchangeResult CLineExchanges::ParamExchange(const uint8_t* frame, uint16_t length, uint8_t* reply,
                                       std::stop_token stop) {
  std::lock_guard io(io_mutex_);
  CollectCheck check;
  uint16_t rx_len = 0;
  const CollectEnd end = SendAndCollect(
      frame, length, reply, kFrameBufferSize, kReplyTimeout, stop,
      [&check](const uint8_t* bytes, uint16_t count) {
        check = CheckCollected(bytes, count);
        return check.state != CollectState::kIncomplete;
      },
      &rx_len);
  ExchangeResult result;
  switch (end) {
    case CollectEnd::kDone:
      if (check.state == CollectState::kComplete) {
        result = {ExchangeStatus::kComplete, check.length};
      } else {
        // The rest of whatever this is may still be coming.
        result = {ExchangeStatus::kBadStart, 0};
        NoteAbandoned(reply, rx_len, Clock::now());
      }
      break;
    case CollectEnd::kCancelled: result.status = ExchangeStatus::kCancelled; break;
    case CollectEnd::kLost: result.status = ExchangeStatus::kDisconnected; break;
    case CollectEnd::kTimeout: result.status = ExchangeStatus::kTimeout; break;
  }
  if (rx_len != 0) {
    Trace(false, reply, result.status == ExchangeStatus::kComplete ? result.length : rx_len);
  }
  return result;
}

RequestResult CLineExchanges::Request(CParamStore& store, std::mutex& store_mutex, ItemRange items,
                                     bool write, std::stop_token stop) {
  uint8_t frame[kFrameBufferSize];
  uint16_t length = 0;
  {
    std::lock_guard lock(store_mutex);
    length = BuildParamRequest(store.image, items, write, frame);
  }
  return Exchange(store, store_mutex, frame, length, write, stop);
}

RequestResult CLineExchanges::Request(CParamStore& store, std::mutex& store_mutex,
                                     const ParamImage& values, ItemRange items, bool write,
                                     std::stop_token stop) {
  uint8_t frame[kFrameBufferSize];
  const uint16_t length = BuildParamRequest(values, items, write, frame);
  return Exchange(store, store_mutex, frame, length, write, stop);
}

RequestResult CLineExchanges::Exchange(CParamStore& store, std::mutex& store_mutex,
                                      const uint8_t* frame, uint16_t length, bool write,
                                      std::stop_token stop) {
  RequestResult result;
  // Never the case for a block's items; nothing goes out rather than a truncated frame.
  if (length == 0) return result;
  uint8_t reply[kFrameBufferSize];
  const ExchangeResult exchange = ParamExchange(frame, length, reply, stop);
  result.status = exchange.status;
  if (exchange.status != ExchangeStatus::kComplete) return result;
  std::lock_guard lock(store_mutex);
  result.outcome = ParseParamReply(reply, exchange.length, write, &store.image, &store.fw_version);
  result.image_changed = result.outcome.accepted && !write;
  if (result.image_changed) ++store.answers_stored;
  return result;
}

OpenFailure DescribeOpenFailure(const ISerialLine& port) {
  OpenFailure failure;
  failure.device = port.LastDevice();
  failure.error = port.LastError();
  failure.reason = port.LastErrorText();
  failure.permission = failure.error == EACCES || failure.error == EPERM;
  failure.busy = failure.error == EBUSY;
  if (failure.busy && port.LastHolder().pid != 0) {
    failure.holder = DescribeHolder(port.LastHolder());
    failure.holder_pid = static_cast<int>(port.LastHolder().pid);
    failure.holder_name = port.LastHolder().command;
  }
  failure.refused_settings = port.LastOpenRefusedSettings();
  return failure;
}

}  // namespace travex
