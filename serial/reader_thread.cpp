#include "serial/reader_thread.h"

#include <utility>

#include "serial/serial_line.h"
#include "serial/rx_ring.h"

namespace travex {

void ReaderThread(std::stop_token stop, ISerialLine& port, CRxRing& ring,
                  const HangupCallback& on_hangup) {
  std::stop_callback wake(stop, [&port] { port.WakeWaiters(); });
  while (!stop.stop_requested()) {
    switch (port.WaitReadable(kReaderWaitMs)) {
      case ISerialLine::Wait::kReadable: {
        // A Clear waits for the read and its push, so every byte read is either pushed
        // before the Clear (and emptied by it) or read after it.
        auto intake = ring.LockIntake();
        const uint32_t generation = ring.Generation();
        const size_t n = port.Read(ring.chunk, kChunkSize);
        ring.chunk_len = static_cast<uint16_t>(n);
        if (n != 0) ring.PushChunk(generation);
        intake.unlock();
        if (port.IsLost()) {
          ring.Interrupt();
          if (on_hangup) on_hangup(port.OpenCount());
        }
        break;
      }
      case ISerialLine::Wait::kHangup:
        ring.Interrupt();
        if (on_hangup) on_hangup(port.OpenCount());
        break;
      case ISerialLine::Wait::kTimeout:
      case ISerialLine::Wait::kWoken:
        break;
    }
  }
}

bool CReaderThread::Start(ISerialLine& port, CRxRing& ring, HangupCallback on_hangup) {
  if (thread_.joinable()) return false;
  thread_ = std::jthread([&port, &ring, on_hangup = std::move(on_hangup)](std::stop_token stop) {
    ReaderThread(std::move(stop), port, ring, on_hangup);
  });
  return true;
}

void CReaderThread::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
}

}  // namespace travex
