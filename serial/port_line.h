// CPortLine: the line a port names. A COM number whose port directory entry is a device, or a
// serial device the number is given to, is the local port; an entry whose link target is an
// address, or an address given directly, is a line behind a serial device server. Which one is
// decided at each Open; opening the other kind closes the one that was open.
//
// The reader thread always asks the line in use now; a wait on the line that was given up is
// woken, so the reader turns to the new one at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "serial/com_port.h"
#include "serial/net_line.h"
#include "serial/serial_line.h"

namespace travex {

class CPortLine : public ISerialLine {
 public:
  CPortLine() = default;
  ~CPortLine() override { Close(); }
  CPortLine(const CPortLine&) = delete;
  CPortLine& operator=(const CPortLine&) = delete;

  void Select(const PortTarget& target, uint32_t baud) override;
  int Open() override;
  int Close() override;
  size_t Read(uint8_t* buffer, size_t count) override { return Active().Read(buffer, count); }
  int Write(const uint8_t* buffer, size_t count) override { return Active().Write(buffer, count); }
  void FlushInput() override { Active().FlushInput(); }
  Wait WaitReadable(int timeout_ms) override { return Active().WaitReadable(timeout_ms); }
  // Both: right after a switch the reader may still sleep on the other line.
  void WakeWaiters() override {
    com_.WakeWaiters();
    net_.WakeWaiters();
  }

  bool IsOpen() const override { return Active().IsOpen(); }
  bool IsLost() const override { return Active().IsLost(); }
  uint32_t OpenCount() const override { return open_count_.load(); }
  uint32_t Rate() const override { return baud_; }
  uint32_t FixedRate(const PortTarget& target) override;

  int LastError() const override { return Active().LastError(); }
  std::string LastErrorText() const override { return Active().LastErrorText(); }
  const std::string& LastDevice() const override { return Active().LastDevice(); }
  const PortHolder& LastHolder() const override { return Active().LastHolder(); }
  bool LastOpenRefusedSettings() const override { return Active().LastOpenRefusedSettings(); }

  // The port selected last (worker).
  const PortTarget& target() const { return target_; }
  // The local port (its numbering, its lock directory, and tests that look at it).
  CComPort& local() { return com_; }

 private:
  // The address `target` stands for, empty when it is a local port.
  std::string AddressOf(const PortTarget& target);
  ISerialLine& Active() const { return *active_.load(); }

  CComPort com_;
  CNetLine net_;
  std::atomic<ISerialLine*> active_{&com_};
  PortTarget target_;  // worker
  uint32_t baud_ = 0;
  std::atomic<uint32_t> open_count_{0};
};

}  // namespace travex
