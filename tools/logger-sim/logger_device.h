// The logger's behaviour on the protocol level: link frames change and report its address and
// baud rate, parameter requests read and write its parameter image. Replies are built here in
// their correct form; faults are injected later by the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/param_image.h"

namespace travex::sim {

// Local wall-clock time as the logger counts it: seconds since 1970-01-01 00:00:00, no zone.
uint32_t LocalClockSeconds();

class LoggerDevice {
 public:
  // The largest reply any accepted request can produce.
  static constexpr size_t kMaxReplyBytes = 24576;

  struct Answer {
    size_t size = 0;            // reply bytes written; 0 when the request is ignored
    const char* note = nullptr; // why it was ignored, or what happened
    bool image_changed = false; // a write was stored
    uint32_t switch_to_baud = 0;  // after this reply is sent, run at this rate (0: no change)
  };

  LoggerDevice(uint32_t baud, uint8_t address, uint16_t fw_version, const ParamImage& image);

  Answer OnLinkFrame(const uint8_t* frame, uint8_t* out);
  // frame has a good checksum; out must hold kMaxReplyBytes.
  Answer OnParamRequest(const uint8_t* frame, size_t size, uint8_t* out);

  // The image with the clock brought up to now (what is saved and answered).
  const ParamImage& CurrentImage();

  uint32_t baud() const { return baud_; }
  void set_baud(uint32_t baud) { baud_ = baud; }
  uint8_t address() const { return address_; }
  void set_overlong_text(bool on) { overlong_text_ = on; }
  // A held clock stands at the time it was given last (the image's, or a write's).
  void set_clock_held(bool on) { clock_held_ = on; }

 private:
  Answer ReadAnswer(const uint8_t* frame, size_t size, uint8_t* out);
  Answer WriteAnswer(const uint8_t* frame, size_t size, uint8_t* out);
  void TickClock();

  uint32_t baud_;
  uint8_t address_;
  uint16_t fw_version_;
  bool overlong_text_ = false;
  bool clock_held_ = false;
  ParamImage image_;
  uint32_t clock_offset_ = 0;  // device clock minus local clock, modulo 2^32
};

}  // namespace travex::sim
