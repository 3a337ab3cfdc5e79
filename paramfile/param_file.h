// The parameter file: the four blocks of the parameter image as hexadecimal text, each with
// its CRC, in an INI file. Export and import are operations of CParamStore
// (ExportParamFile, ImportParamFile); the helpers here are what they are built from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace travex {

inline constexpr std::string_view kParamFileCaption = "Travex配置软件";

// Two characters to one byte: 0-9, a-f and A-F are hex digits, every other character
// (the zero byte and bytes of 0x80 and above included) counts as the digit 0.
uint8_t HexPairToByte(const char* pair);

// Upper-case hex text of the bytes, two digits per byte, high digit first.
std::string BytesToHexText(const uint8_t* bytes, size_t length);

// Decodes `length` bytes from a value; character positions past the end of the value
// count as the digit 0.
void HexTextToBytes(std::string_view text, uint8_t* bytes, size_t length);

// A CRC as four upper-case hex digits, most significant first ("%04X").
std::string CrcText(uint16_t crc);

// The stored CRC of a value: its first four characters, positions past the end as 0.
uint16_t CrcFromText(std::string_view text);

// "TRAVEX%04d%02d%02d_%02d%02d.ini".
std::string ProposedFileName(int year, int month, int day, int hour, int minute);

// The extension of a chosen file name: the characters after the last "." of its last path
// component, empty when it has none.
std::string FileExtension(std::string_view path);

}  // namespace travex
