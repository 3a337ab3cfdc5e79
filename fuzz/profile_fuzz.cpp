// Fuzzes the parameter-file reader: key lookups, key writes and the hex decoding of the
// import on arbitrary file texts, and the decoding of file bytes, which must encode back to
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "paramfile/param_file.h"
#include "paramfile/profile.h"
#include "params/param_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static constexpr std::string_view kSections[] = {"BASEINFO", "ARG1", "ARG2", "COEF"};
  static constexpr std::string_view kKeys[] = {"baseinfo", "arg1", "arg2", "coef"};
  uint8_t block[travex::kArg1Bytes];
  for (size_t i = 0; i < 4; ++i) {
    const std::string value = travex::LookupProfileString(text, kSections[i], kKeys[i], "ERROR");
    const std::string crc = travex::LookupProfileString(text, kSections[i], "wCRCResult", "ERROR");
    travex::HexTextToBytes(value, block, sizeof block);
    (void)travex::CrcFromText(crc);
  }
  if (travex::EncodeProfileText(travex::DecodeProfileText(text)) != text) __builtin_trap();
  std::string written = travex::SetProfileString(text, "ARG1", "arg1", "00");
  written = travex::SetProfileString(written, "ARG1", "wCRCResult", "1234");
  if (travex::LookupProfileString(written, "ARG1", "wCRCResult", "") != "1234") __builtin_trap();
  return 0;
}
