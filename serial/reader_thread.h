// ReaderThread: moves what the driver holds (at most 1024 bytes at a time) through the ring's
// chunk into the ring as soon as it arrives. It sleeps in the port's wait while nothing comes,
// so an idle line costs no processor time; Open, Close and a stop request wake it.
//
// When the device hangs up (an unplugged adapter), the thread wakes the ring's waiters and calls
// the hang-up callback once, with the open count of the port that was lost, and then leaves the
// device alone until the port is opened again.
//
// CReaderThread starts it and stops and joins it (at the latest in its destructor), so it never
// outlives the port and ring it uses.
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <thread>

namespace travex {

class ISerialLine;
class CRxRing;

// Longest single wait of the thread; bytes and hang-ups wake it earlier.
inline constexpr int kReaderWaitMs = 250;

using HangupCallback = std::function<void(uint32_t open_count)>;

// The thread procedure; returns soon after a stop is requested.
void ReaderThread(std::stop_token stop, ISerialLine& port, CRxRing& ring,
                  const HangupCallback& on_hangup);

class CReaderThread {
 public:
  CReaderThread() = default;
  CReaderThread(ISerialLine& port, CRxRing& ring) { Start(port, ring); }
  ~CReaderThread() { Stop(); }
  CReaderThread(const CReaderThread&) = delete;
  CReaderThread& operator=(const CReaderThread&) = delete;

  // False when it is already running. on_hangup runs on the reader thread.
  bool Start(ISerialLine& port, CRxRing& ring, HangupCallback on_hangup = {});
  // Requests the stop and joins; does nothing when not running.
  void Stop();
  bool IsRunning() const { return thread_.joinable(); }

 private:
  std::jthread thread_;
};

}  // namespace travex
