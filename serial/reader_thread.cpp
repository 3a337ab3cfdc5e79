#include "serial/reader_thread.h"

#include <utility>

#include "serial/serial_line.h"
#include "serial/rx_ring.h"

namespace travex {

void ReaderThread(std::stop_token stop, ISerialLine& port, CRxRing& ring,
                  const HangupCallback& on_hangup) {
  std::stop_callback wake(stop, [&port] { port.WakeWaiters(); });
  // A loss is told once per open, whoever found it: a wait, a read, or a write or purge on
  // another thread (the wait then no longer watches the line and only times out).
  uint32_t told_open = 0;
  const auto tell_loss = [&] {
    if (!port.IsLost() || port.OpenCount() == told_open) return;
    told_open = port.OpenCount();
    ring.Interrupt();
    if (on_hangup) on_hangup(told_open);
  };
  while (!stop.stop_requested()) {
    if (port.WaitReadable(kReaderWaitMs) == ISerialLine::Wait::kReadable) {
      // A Clear waits for the read and its push, so every byte read is either pushed before the
      // Clear (and emptied by it) or read after it.
      auto intake = ring.LockIntake();
      const uint32_t generation = ring.Generation();
      const size_t n = port.Read(ring.chunk, kChunkSize);
      ring.chunk_len = static_cast<uint16_t>(n);
      if (n != 0) ring.PushChunk(generation);
    }
    tell_loss();
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
