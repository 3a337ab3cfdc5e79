// Cuts the byte stream that arrives from the tool into frames. Bytes come in pieces of any
// size; a LinkFrame is 7 bytes starting FD FD FD, a parameter request starts 0x55 and carries
// its total length in bytes 1 and 2. Anything else is noise and is skipped; after a frame
// with a bad checksum the search goes on one byte further, so a good frame behind a stray
// byte is still found. A partial frame that gets no further byte for kGapMs is given up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex::sim {

class FrameAssembler {
 public:
  static constexpr size_t kCapacity = 2048;
  // Longest parameter request taken; a length field above it marks noise.
  static constexpr size_t kMaxRequestBytes = 1024;
  static constexpr size_t kMinRequestBytes = 10;
  static constexpr uint64_t kGapMs = 200;

  enum class Event {
    kNone,         // nothing complete yet
    kLinkFrame,    // a LinkFrame with a good checksum
    kParamFrame,   // a parameter request with a good checksum (contents not yet checked)
    kBadChecksum,  // a complete frame candidate whose checksum is wrong: ignored
    kNoise,        // bytes that start no frame, or a partial frame given up
  };
  struct Piece {
    Event event = Event::kNone;
    const uint8_t* data = nullptr;  // valid until the next call of any member
    size_t size = 0;
  };

  // Free room for incoming bytes; put them at Space() and then Commit them with the arrival
  // time of the last one.
  uint8_t* Space() { return buffer_ + used_; }
  size_t SpaceLeft() const { return kCapacity - used_; }
  void Commit(size_t count, uint64_t arrival_ns);

  // The next complete piece; call until it returns kNone.
  Piece Next(uint64_t now_ns);

  // After Next returned kNone: how many more bytes must arrive before Next can return a piece
  // (at least 1). Until then only the gap can end the partial frame.
  size_t BytesToDecide() const;
  // When the partial frame held is given up unless a byte arrives; only while Pending() > 0.
  uint64_t GapEndNs() const { return last_byte_ns_ + kGapMs * 1000000; }

  // Drops everything held (the line changed under the frame).
  void Reset();
  size_t Pending() const { return used_ - consume_; }

 private:
  void Consume(size_t count);

  uint8_t buffer_[kCapacity] = {};
  size_t used_ = 0;
  size_t consume_ = 0;  // bytes of the piece last returned, dropped at the next call
  uint64_t last_byte_ns_ = 0;
};

}  // namespace travex::sim
