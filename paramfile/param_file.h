// The parameter file: the four blocks of the parameter image as hexadecimal text, each with
// its CRC, in an INI file. LoadParamFile and SaveParamFile read and write it for any front end;
// the dialog's export and import (app/dialog_files.cpp) are built on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_image.h"

namespace travex {

// What loading one section did to its block of the image.
enum class SectionLoad {
  kNotRead,      // the file could not be read: the block is as it was
  kLoaded,       // the stored CRC matched: the block holds the file's bytes
  kCrcMismatch,  // the stored CRC did not match (a missing section or key included): the block
                 // is as it was
  kDefaulted,    // COEF only, the file has no `coef`: every channel has coef_a 1.0, coef_b 0.0
};

struct ParamFileLoad {
  bool readable = false;  // the file is a regular file that could be opened and read
  std::string error;      // the system's reason when it is not; the image is then unchanged
  SectionLoad base = SectionLoad::kNotRead;
  SectionLoad arg1 = SectionLoad::kNotRead;
  SectionLoad arg2 = SectionLoad::kNotRead;
  SectionLoad coef = SectionLoad::kNotRead;
};

// Loads the four sections of a parameter file into the image, each block only when its CRC
// matches. The name's extension is not checked.
ParamFileLoad LoadParamFile(const std::string& path, ParamImage* image);

// Writes the image's four blocks and their CRCs as the eight keys of a parameter file: into
// the file's existing sections where it has them (every other line stays as it was, and a
// UTF-16 file stays UTF-16), else as new sections at its end; a missing file is created. The
// file is replaced in one step, so a failure leaves it as it was. On failure returns false
// with the reason in `error`.
bool SaveParamFile(const std::string& path, const ParamImage& image, std::string* error);

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
