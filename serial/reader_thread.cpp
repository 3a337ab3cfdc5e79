#include "serial/reader_thread.h"

#include <chrono>
#include <utility>

#include "serial/com_port.h"
#include "serial/rx_ring.h"

namespace travex {

void ReaderThread(std::stop_token stop, CComPort& port, CRxRing& ring) {
  std::mutex sleep_mutex;
  std::condition_variable_any wake;
  while (!stop.stop_requested()) {
    if (port.IsOpen()) {
      // Taken before the read: a Clear while we read makes the push drop these bytes.
      const uint32_t generation = ring.Generation();
      const size_t n = port.Read(ring.chunk, kChunkSize);
      ring.chunk_len = static_cast<uint16_t>(n);
      if (n != 0) ring.PushChunk(generation);
    }
    std::unique_lock lock(sleep_mutex);
    wake.wait_for(lock, stop, std::chrono::milliseconds(kReaderPeriodMs), [] { return false; });
  }
}

bool CReaderThread::Start(CComPort& port, CRxRing& ring) {
  if (thread_.joinable()) return false;
  thread_ = std::jthread(
      [&port, &ring](std::stop_token stop) { ReaderThread(std::move(stop), port, ring); });
  return true;
}

void CReaderThread::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

}  // namespace travex
