// The tool's side of an end-to-end test against the simulated logger: the tool's own port,
// receive ring and reader thread, and helpers that send a frame and collect the answer.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "params/param_image.h"
#include "protocol/crc16.h"
#include "serial/com_port.h"
#include "serial/reader_thread.h"
#include "serial/rx_ring.h"
#include "support/sim_process.h"

namespace travex::testing {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

inline constexpr auto kAnswerTimeout = std::chrono::seconds(10);
// How long a test listens before it concludes that no answer comes.
inline constexpr auto kSilence = std::chrono::milliseconds(400);

class ToolSide {
 public:
  ToolSide() : ring_(&port_) {}
  ~ToolSide() { Close(); }

  // stop_bits 0 one, 2 two.
  bool Open(unsigned com, uint32_t baud, uint8_t stop_bits = 0) {
    Close();
    port_.Configure(static_cast<uint8_t>(com), 8, 0, stop_bits, baud);
    if (port_.Open() == 0) return false;
    reader_.Start(port_, ring_);
    return true;
  }
  void Close() {
    reader_.Stop();
    port_.Close();
  }

  // Empties the ring, writes the frame and collects until a whole frame is there: 7 bytes for
  // a LinkFrame answer, the length field's count for a parameter answer. Empty on time-out.
  Bytes Exchange(const Bytes& frame) { return Exchange(frame, frame[0] == 0xFD); }
  Bytes Exchange(const Bytes& frame, bool link_reply) {
    ring_.Clear();
    if (port_.Write(frame.data(), frame.size()) == 0) return {};
    return Collect(link_reply);
  }
  Bytes Collect(bool link) {
    Bytes got;
    const auto deadline = Clock::now() + kAnswerTimeout;
    while (Clock::now() < deadline) {
      uint8_t buffer[512];
      const uint16_t n = ring_.Pop(buffer, sizeof buffer);
      got.insert(got.end(), buffer, buffer + n);
      const size_t want = link ? 7 : (got.size() >= 3 ? size_t{GetU16(&got[1])} : SIZE_MAX);
      if (got.size() >= want) return got;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {};
  }
  // True when nothing at all arrives for kSilence after the frame is written.
  bool Unanswered(const Bytes& frame) {
    ring_.Clear();
    if (port_.Write(frame.data(), frame.size()) == 0) return false;
    std::this_thread::sleep_for(kSilence);
    return ring_.Used() == 0;
  }

  CComPort& port() { return port_; }
  CRxRing& ring() { return ring_; }

 private:
  CComPort port_;
  CRxRing ring_;
  CReaderThread reader_;
};

inline Bytes WithCrc(Bytes frame) {
  const uint16_t crc = Crc16(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

inline bool CrcOk(const Bytes& frame) {
  return frame.size() >= 3 &&
         Crc16(frame.data(), frame.size() - 2) == GetU16(&frame[frame.size() - 2]);
}

// Starts a logger and points the port map at it.
inline void StartSim(SimProcess& sim, const std::vector<std::string>& args) {
  ASSERT_TRUE(sim.Start(args)) << sim.error();
  sim.ExportPortDir();
}

}  // namespace travex::testing
