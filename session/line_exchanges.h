// CLineExchanges: the exchanges on one line, which the session's worker (CLoggerSession) runs:
// it opens the port, searches the logger's baud rate and runs link and parameter exchanges,
// and reports what it does through return values and small interfaces, never in words.
//
// Collection is event-driven: the reader thread wakes the waiting exchange through the receive
// ring the moment bytes arrive, so an answer is handed over as soon as its last byte is in. The
// time-out is measured as time from the request. Between an answer and the next request the
// line stays quiet for at least 3.5 character times (the usual inter-frame silence of serial
// field buses).
//
// The line is quiet before every request. An exchange given up before its answer was whole
// (cancelled, or a wrong start byte) leaves the logger still sending: the next request waits
// until that answer is complete, or until the line has been quiet for the rest of the longest
// frame's wire time (512 bytes of 10 bits). Bytes that nobody asked for (right after an open,
// say, from a run that another program abandoned) make it wait the same way. The wait is
// bounded, and the next exchange's stop token ends it.
//
// Threads: every operation blocks the calling thread until it is done; one exchange runs at a
// time. A std::stop_token cancels a wait at once. The reader thread that fills the ring is the
// caller's (CReaderThread); it must run while exchanges do.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

#include "params/block_table.h"
#include "params/param_store.h"
#include "protocol/frame_format.h"
#include "protocol/link_codec.h"
#include "protocol/param_frames.h"
#include "serial/serial_line.h"

namespace travex {

class CRxRing;

// One frame on the line as the session saw it: a request it wrote, or the bytes it collected
// for one answer (a whole frame, part of one, or noise).
struct FrameRecord {
  std::chrono::system_clock::time_point time;
  bool sent = false;
  uint16_t length = 0;
  uint8_t bytes[kFrameBufferSize] = {};
};

class IFrameSink {
 public:
  virtual ~IFrameSink() = default;
  // Runs on the thread of the exchange; keep it short (hand the record over, do not block).
  virtual void OnFrame(const FrameRecord& frame) = 0;
};

enum class ExchangeStatus : uint8_t {
  kComplete,      // an answer of the announced length is in
  kTimeout,       // no complete answer within the time-out
  kBadStart,      // the answer did not start with the start byte
  kCancelled,     // the stop token was triggered
  kDisconnected,  // the device hung up (unplugged adapter)
};


struct ExchangeResult {
  ExchangeStatus status = ExchangeStatus::kTimeout;
  uint16_t length = 0;  // the answer's length field, for kComplete
};

// A parameter request with its answer parsed into the store.
struct RequestResult {
  ExchangeStatus status = ExchangeStatus::kTimeout;
  ReplyOutcome outcome;        // for kComplete: what the parser made of the answer
  bool image_changed = false;  // an accepted read answer was stored
};

enum class SearchStatus : uint8_t { kFound, kNoAnswer, kOpenFailed, kCancelled };

struct SearchResult {
  SearchStatus status = SearchStatus::kNoAnswer;
  uint32_t baud = 0;    // kFound: the rate that answered (the port stays open at it)
  uint8_t address = 0;  // kFound: the logger's address
  uint32_t fixed_rate = 0;  // the one rate the line takes (raw TCP), the only one tried; 0: all
};

class ISearchObserver {
 public:
  virtual ~ISearchObserver() = default;
  // Before each rate is tried: index 0 to 8, its place in this round of the search (the
  // search goes over the nine rates twice when the first round finds nothing).
  virtual void OnTryingRate(uint32_t rate, int index) = 0;
};

struct RunResult {
  ExchangeStatus status = ExchangeStatus::kComplete;  // what ended the run
  unsigned steps_done = 0;       // steps whose exchange ended (answered or not)
  unsigned total_steps = 0;      // 65 or 97
  unsigned rejected_blocks = 0;  // complete answers the parser rejected
  int failed_step = -1;          // the step whose exchange ended the run, -1 when none
  bool coefficients = false;     // the coefficient steps were part of the run
  bool Succeeded() const {
    return status == ExchangeStatus::kComplete && rejected_blocks == 0;
  }
};

// How long each rate of the search waits for an answer, and a query or set for its reply.
inline constexpr std::chrono::milliseconds kSearchWindow{500};
// The first round of the search waits the query's and the answer's time on the line plus this.
inline constexpr std::chrono::milliseconds kQuickSearchMargin{120};

// The order the search tries the nine rates in: `first` (when it is one of them), then the
// others in the list's order.
int SearchOrder(uint32_t first, uint32_t order[]);
// How long the first round waits at `rate`.
std::chrono::milliseconds QuickSearchWindow(uint32_t rate);
inline constexpr std::chrono::milliseconds kLinkWindow{1000};

class CLineExchanges {
 public:
  CLineExchanges(ISerialLine& port, CRxRing& ring);
  virtual ~CLineExchanges() = default;
  CLineExchanges(const CLineExchanges&) = delete;
  CLineExchanges& operator=(const CLineExchanges&) = delete;

  // Where every frame is reported (nullptr: nowhere). Set it before exchanges start.
  void SetFrameSink(IFrameSink* sink) { sink_ = sink; }

  ISerialLine& port() { return port_; }
  CRxRing& ring() { return ring_; }

  // Opens the port (again) as 8-N-1 at `baud`. False on failure; the port's LastError,
  // LastDevice and LastHolder tell why.
  bool Open(const PortTarget& target, uint32_t baud);

  // The baud-rate search: tries the nine rates in SearchOrder(first_rate), and leaves the port
  // open at the rate that answered. A first round waits QuickSearchWindow at each rate (long
  // enough for a logger that answers at once); when nothing answered, a second round waits
  // kSearchWindow at each (for a logger that answers late). kOpenFailed when the port cannot be
  // opened at the first rate, or every rate is refused by the device; the port is then closed.
  // kNoAnswer leaves it open at 115200. The codec holds the logger's rate and address after
  // kFound.
  // A line fixed to one rate (raw TCP) is tried at that rate only.
  SearchResult Search(const PortTarget& target, ISearchObserver* observer, std::stop_token stop,
                      uint32_t first_rate = 0);

  // Writes a 7-byte link frame and waits up to `window` for one link frame in answer. True when
  // link_codec accepts it (its rate and address are then updated).
  bool LinkExchange(const uint8_t* frame, std::chrono::milliseconds window, std::stop_token stop);

  // Writes a parameter request and collects its answer into `reply` (512 bytes).
  ExchangeResult ParamExchange(const uint8_t* frame, uint16_t length, uint8_t* reply,
                               std::stop_token stop);

  // A read or write request of `items` built from the store's image under store_mutex, and
  // its answer parsed into the store under store_mutex.
  RequestResult Request(CParamStore& store, std::mutex& store_mutex, ItemRange items, bool write,
                        std::stop_token stop);
  // The same, with the values a write carries taken from `values` instead of the store's image
  // (the caller's own copy); the answer still goes into the store.
  RequestResult Request(CParamStore& store, std::mutex& store_mutex, const ParamImage& values,
                        ItemRange items, bool write, std::stop_token stop);

  // The logger's rate and address from the last accepted link answer.
  CLinkCodec link_codec;

 private:
  enum class CollectEnd { kDone, kCancelled, kLost, kTimeout };
  // Writes the frame, then collects what comes back into `answer` (capacity bytes) until
  // done(answer, count) says it is whole, the stop token fires, the device is lost or the
  // window ends. *got is what was collected.
  template <typename Done>
  CollectEnd SendAndCollect(const uint8_t* frame, size_t length, uint8_t* answer, uint16_t capacity,
                            std::chrono::milliseconds window, std::stop_token stop, Done done,
                            uint16_t* got);
  void Trace(bool sent, const uint8_t* bytes, size_t length);
  // Sends a built request (length 0: none could be built) and parses its answer into the store.
  RequestResult Exchange(CParamStore& store, std::mutex& store_mutex, const uint8_t* frame,
                         uint16_t length, bool write, std::stop_token stop);
  // Waits until nothing of an earlier exchange can still arrive (see above). False when the
  // stop token ended the wait.
  bool Settle(std::stop_token stop);
  // Takes what arrived unasked from the ring; true when anything did.
  bool TakeStrayBytes();
  // The answer in progress has arrived whole: the line is settled after the inter-frame gap.
  bool StrayAnswerComplete();
  void EndStray();
  void NoteAnswerEnd();
  // An exchange ended before its answer was whole; `got` bytes of it came, the last at `last`.
  void NoteAbandoned(const uint8_t* bytes, uint16_t got, std::chrono::steady_clock::time_point last);

  // What the line may still carry (io_mutex_).
  struct LineState {
    bool unsettled = false;  // something of an earlier exchange may still arrive
    std::chrono::steady_clock::time_point quiet_since{};  // the last byte, or the request
    std::chrono::steady_clock::time_point free_at{};      // end of the inter-frame gap
    std::chrono::steady_clock::duration frame_time{};     // the longest frame's wire time
    uint16_t got = 0;     // bytes of the answer in progress seen so far
    uint16_t traced = 0;  // of those, the ones already reported as a frame
    uint8_t answer[kFrameBufferSize] = {};
  };

  ISerialLine& port_;
  CRxRing& ring_;
  PortTarget target_;  // the port opened last
  IFrameSink* sink_ = nullptr;
  std::mutex io_mutex_;  // one exchange at a time
  LineState line_;
};

// Why an open failed, from the port's last error, for the front ends' messages.
struct OpenFailure {
  std::string device;        // the device tried (or the port directory entry that names none)
  int error = 0;             // errno
  std::string reason;        // the system's text for it
  bool permission = false;   // EACCES/EPERM: the user is not in the dialout group
  bool busy = false;         // another program uses the device
  std::string holder;        // "1234 (minicom)" when known
  int holder_pid = 0;        // the process holding the UUCP lock or the device's flock
  std::string holder_name;   // its name, empty when unknown
  bool refused_settings = false;  // the device refused the line settings (not a serial line?)
};
OpenFailure DescribeOpenFailure(const ISerialLine& port);

}  // namespace travex
