// Read-all and write-all: the sequencer that moves the whole parameter image one block per
// exchange (base settings, set 1 of 32 channels, set 2 of 32 channels and, when the logger has
// reported a firmware version, the coefficients of 32 channels).
//
// The sequencer wakes every 100 ms on its own thread. It sends the next request of the active
// run once the reply to the previous one has been collected (the flag bulk_waiting is the
// handshake with the reply collection) and reports which block is in transfer through the
// progress message. A read run takes precedence over a write run.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "params/param_store.h"
#include "protocol/bulk_flags.h"

namespace travex {

enum class BulkRun : uint8_t { kNone = 0, kRead = 1, kWrite = 2 };

inline constexpr uint8_t kBulkLastStep = 96;      // steps 0 to 96 with coefficients
inline constexpr uint8_t kBulkFirstCoefStep = 65;  // a run without coefficients ends here
inline constexpr int kBulkPeriodMs = 100;

// Progress kinds of the progress message.
inline constexpr int kProgressReadBase = 0;
inline constexpr int kProgressReadArg1 = 1;
inline constexpr int kProgressReadArg2 = 2;
inline constexpr int kProgressWriteBase = 3;
inline constexpr int kProgressWriteArg1 = 4;
inline constexpr int kProgressWriteArg2 = 5;

// What step `index` of a run does.
struct BulkStep {
  bool ends_run = false;   // nothing to send: the run is over
  bool base = false;       // the base block (fixed request shape)
  uint16_t first_id = 0;   // otherwise: first ItemId and item count
  uint8_t count = 0;
  int kind = 0;            // progress kind and channel (1 to 32) reported for the step
  long channel = 0;
};

BulkStep DescribeBulkStep(BulkRun run, unsigned index, uint16_t fw_version);

// Builds the step's request in store.request; returns its length.
uint16_t BuildBulkRequest(CParamStore& store, BulkRun run, const BulkStep& step);

// The text of a progress message for pane 3; empty for a kind that shows nothing.
std::string ProgressText(int kind, long channel);

// What the sequencer needs from the dialog. All calls come from the sequencer's thread, with
// the dialog's exchange lock held (see BulkWake).
class IBulkHost {
 public:
  virtual ~IBulkHost() = default;
  // Empties the receive ring and writes the frame to the port. bulk_waiting is already set.
  virtual void SendBulkRequest(BulkRun run, const uint8_t* frame, uint16_t length) = 0;
  virtual void PostBulkProgress(int kind, long channel) = 0;
  // Starts the reply collection for the request just sent (handed to the UI thread).
  virtual void StartBulkCollection() = 0;
  // The run has sent its last request or ended without one.
  virtual void BulkRunEnded(BulkRun run) = 0;
};

// One wake of the sequencer: performs the next step of the active run when no reply is
// outstanding. The caller holds the lock that keeps the request buffer and the image apart from
// the user-interface thread. Returns the run that made a step or ended, kNone otherwise.
BulkRun BulkWake(CParamStore& store, BulkFlags& flags, IBulkHost& host);

// The sequencer's thread: calls `wake` every period until stopped, and at once after Nudge (the
// reply of a step is in: the next step need not wait for the rest of the period). Stop is prompt
// (it does not wait out the period), idempotent, and also run by the destructor.
class CBulkTransferThread {
 public:
  CBulkTransferThread() = default;
  ~CBulkTransferThread();
  CBulkTransferThread(const CBulkTransferThread&) = delete;
  CBulkTransferThread& operator=(const CBulkTransferThread&) = delete;

  template <typename Wake>
  void Start(Wake wake, std::chrono::milliseconds period = std::chrono::milliseconds(kBulkPeriodMs)) {
    Stop();
    thread_ = std::jthread([this, wake, period](std::stop_token stop) mutable {
      std::unique_lock lock(mutex_);
      while (!stop.stop_requested()) {
        // Returns early when nudged or when a stop is requested.
        cv_.wait_for(lock, stop, period, [this] { return nudged_; });
        nudged_ = false;
        if (stop.stop_requested()) break;
        lock.unlock();
        wake();
        lock.lock();
      }
    });
  }
  void Stop();
  // Wakes the thread now instead of at the end of its period (any thread).
  void Nudge();
  bool Running() const { return thread_.joinable(); }

 private:
  std::mutex mutex_;
  bool nudged_ = false;
  std::condition_variable_any cv_;
  std::jthread thread_;
};

}  // namespace travex
