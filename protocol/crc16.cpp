#include "protocol/crc16.h"

#include <array>

namespace travex {
namespace {

// Entry i of the reflected CRC-16/MODBUS table: the CRC of the single byte i from 0.
constexpr uint16_t TableEntry(unsigned i) {
  uint16_t crc = static_cast<uint16_t>(i);
  for (int bit = 0; bit < 8; ++bit) {
    crc = (crc & 1u) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001u) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

constexpr std::array<uint8_t, 256> MakeHalf(bool high) {
  std::array<uint8_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    const uint16_t e = TableEntry(i);
    t[i] = static_cast<uint8_t>(high ? (e >> 8) : (e & 0xFFu));
  }
  return t;
}

// Low and high bytes of the table, kept apart so that each step is two byte look-ups.
constexpr std::array<uint8_t, 256> kCrcLow = MakeHalf(false);
constexpr std::array<uint8_t, 256> kCrcHigh = MakeHalf(true);

static_assert(kCrcLow[1] == 0xC1 && kCrcHigh[1] == 0xC0);
static_assert(kCrcLow[255] == 0x40 && kCrcHigh[255] == 0x40);

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint8_t lo = 0xFF;
  uint8_t hi = 0xFF;
  for (size_t n = 0; n < length; ++n) {
    const uint8_t i = static_cast<uint8_t>(data[n] ^ lo);
    lo = static_cast<uint8_t>(kCrcLow[i] ^ hi);
    hi = kCrcHigh[i];
  }
  return static_cast<uint16_t>((hi << 8) | lo);
}

}  // namespace travex
