// ReaderThread: every 10 ms, while the port is open, moves what the driver holds (at most 1024
// bytes) through the ring's chunk into the ring. CReaderThread starts it and stops and joins it
// (at the latest in its destructor), so it never outlives the port and ring it uses.
#pragma once

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace travex {

class CComPort;
class CRxRing;

inline constexpr int kReaderPeriodMs = 10;

// The thread procedure; returns soon after a stop is requested.
void ReaderThread(std::stop_token stop, CComPort& port, CRxRing& ring);

class CReaderThread {
 public:
  CReaderThread() = default;
  CReaderThread(CComPort& port, CRxRing& ring) { Start(port, ring); }
  ~CReaderThread() { Stop(); }
  CReaderThread(const CReaderThread&) = delete;
  CReaderThread& operator=(const CReaderThread&) = delete;

  // False when it is already running.
  bool Start(CComPort& port, CRxRing& ring);
  // Requests the stop and joins; does nothing when not running.
  void Stop();
  bool IsRunning() const { return thread_.joinable(); }

 private:
  std::jthread thread_;
};

}  // namespace travex
