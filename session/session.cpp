#include "session/session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "protocol/frame_format.h"
#include "protocol/reply_collector.h"
#include "serial/com_port.h"
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

}  // namespace

std::string_view ExchangeStatusText(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kTimeout: return "超时未响应";
    case ExchangeStatus::kBadStart: return "帧错误";
    case ExchangeStatus::kDisconnected: return "设备已断开";
    case ExchangeStatus::kComplete:
    case ExchangeStatus::kCancelled: break;
  }
  return {};
}

CSession::CSession(CComPort& port, CRxRing& ring) : port_(port), ring_(ring) {}

void CSession::Trace(bool sent, const uint8_t* bytes, size_t length) {
  if (sink_ == nullptr) return;
  FrameRecord record;
  record.time = std::chrono::system_clock::now();
  record.sent = sent;
  record.length = static_cast<uint16_t>(std::min(length, sizeof record.bytes));
  std::memcpy(record.bytes, bytes, record.length);
  sink_->OnFrame(record);
}

void CSession::KeepInterFrameGap() {
  const auto now = Clock::now();
  if (now < quiet_until_) std::this_thread::sleep_until(quiet_until_);
}

void CSession::NoteAnswerEnd() { quiet_until_ = Clock::now() + InterFrameGap(port_.baud_rate); }

bool CSession::Open(uint8_t port_number, uint32_t baud) {
  std::lock_guard io(io_mutex_);
  port_.Close();
  port_.Configure(port_number, 8, 0, 0, baud);
  return port_.Open() != 0;
}

SearchResult CSession::Search(uint8_t port_number, ISearchObserver* observer,
                              std::stop_token stop) {
  uint8_t query[kLinkFrameSize];
  link_codec.BuildQuery(query);
  bool any_opened = false;
  for (int k = 0; k < 9; ++k) {
    if (stop.stop_requested()) return {SearchStatus::kCancelled};
    const uint32_t rate = kLinkBaudRates[k];
    if (observer != nullptr) observer->OnTryingRate(rate, k);
    if (!Open(port_number, rate)) {
      // Some adapters refuse single rates (14400, 56000): the search goes on with the next.
      if (port_.LastOpenRefusedSettings()) continue;
      return {SearchStatus::kOpenFailed};
    }
    any_opened = true;
    if (LinkExchange(query, kSearchWindow, stop)) {
      return {SearchStatus::kFound, link_codec.GetBaud(), link_codec.GetAddress()};
    }
  }
  if (stop.stop_requested()) return {SearchStatus::kCancelled};
  // Every rate refused: whatever this device is, it takes no line settings.
  if (!any_opened) return {SearchStatus::kOpenFailed};
  return {SearchStatus::kNoAnswer};
}

template <typename Done>
CSession::CollectEnd CSession::SendAndCollect(const uint8_t* frame, size_t length, uint8_t* answer,
                                              uint16_t capacity, std::chrono::milliseconds window,
                                              std::stop_token stop, Done done, uint16_t* got) {
  KeepInterFrameGap();
  // The ring's Clear also drops what the driver and the reader still hold of earlier answers.
  ring_.Clear();
  port_.Write(frame, length);
  Trace(true, frame, length);

  const auto deadline = Clock::now() + window;
  std::stop_callback wake(stop, [this] { ring_.Interrupt(); });
  *got = 0;
  CollectEnd end = CollectEnd::kTimeout;
  for (;;) {
    const uint64_t seen = ring_.Sequence();
    const auto room = static_cast<uint16_t>(capacity - *got);
    *got = static_cast<uint16_t>(*got + ring_.Pop(answer + *got, room));
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
  if (*got != 0) NoteAnswerEnd();
  return end;
}

bool CSession::LinkExchange(const uint8_t* frame, std::chrono::milliseconds window,
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

ExchangeResult CSession::ParamExchange(const uint8_t* frame, uint16_t length, uint8_t* reply,
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
      result = check.state == CollectState::kComplete
                   ? ExchangeResult{ExchangeStatus::kComplete, check.length}
                   : ExchangeResult{ExchangeStatus::kBadStart, 0};
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

RequestResult CSession::Request(CParamStore& store, std::mutex& store_mutex, const uint8_t* frame,
                                uint16_t length, std::stop_token stop) {
  uint8_t reply[kFrameBufferSize];
  const ExchangeResult exchange = ParamExchange(frame, length, reply, stop);
  RequestResult result;
  result.status = exchange.status;
  if (exchange.status != ExchangeStatus::kComplete) return result;
  const bool write = length > 5 && frame[5] == kCommandWrite;
  std::lock_guard lock(store_mutex);
  std::memcpy(store.reply, reply, exchange.length);
  store.last_request_was_write = write;
  result.outcome = store.HandleReply(exchange.length);
  result.image_changed = result.outcome.accepted && !write;
  return result;
}

RequestResult CSession::TransferStep(CParamStore& store, std::mutex& store_mutex, BulkRun run,
                                     const BulkStep& step, std::stop_token stop) {
  uint8_t frame[kFrameBufferSize];
  uint16_t length = 0;
  {
    std::lock_guard lock(store_mutex);
    length = BuildBulkRequest(store, run, step);
    std::memcpy(frame, store.request, length);
  }
  return Request(store, store_mutex, frame, length, stop);
}

RunResult CSession::RunAll(CParamStore& store, std::mutex& store_mutex, BulkRun run,
                           IRunObserver* observer, std::stop_token stop) {
  RunResult result;
  for (unsigned index = 0; index <= kBulkLastStep; ++index) {
    BulkStep step;
    uint16_t version = 0;
    {
      std::lock_guard lock(store_mutex);
      version = store.fw_version;
      step = DescribeBulkStep(run, index, version);
    }
    result.total_steps = BulkStepCount(version);
    result.coefficients = version != 0;
    if (step.ends_run) break;
    if (observer != nullptr) observer->OnStepStarting(index, result.total_steps, step);
    const RequestResult done = TransferStep(store, store_mutex, run, step, stop);
    ++result.steps_done;
    if (done.status == ExchangeStatus::kComplete) {
      // Step 0 of a read run has just told the version: the total follows it.
      std::lock_guard lock(store_mutex);
      result.total_steps = BulkStepCount(store.fw_version);
    }
    if (observer != nullptr) observer->OnStepDone(index, result.total_steps, done);
    if (done.status != ExchangeStatus::kComplete) {
      result.status = done.status;
      result.failed_step = static_cast<int>(index);
      return result;
    }
    if (!done.outcome.accepted) ++result.rejected_blocks;
  }
  return result;
}

OpenFailure DescribeOpenFailure(const CComPort& port) {
  OpenFailure failure;
  failure.device = port.LastDevice();
  failure.error = port.LastError();
  failure.reason = failure.error != 0 ? std::generic_category().message(failure.error) : "";
  failure.permission = failure.error == EACCES || failure.error == EPERM;
  failure.busy = failure.error == EBUSY;
  if (failure.busy && port.LastHolder().pid != 0) failure.holder = DescribeHolder(port.LastHolder());
  failure.refused_settings = port.LastOpenRefusedSettings();
  return failure;
}

}  // namespace travex
