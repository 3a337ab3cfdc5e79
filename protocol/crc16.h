// CRC-16/MODBUS (reflected 0x8005, initial 0xFFFF, no final XOR), split-table method.
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex {

uint16_t Crc16(const uint8_t* data, size_t length);

}  // namespace travex
