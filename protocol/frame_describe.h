// A short description of a frame seen on the line, for the traffic log of the dialog and the
// trace of the command line: "link query", "read items 1000-1020 (set 1, channel 1)",
// "write answer", "answer, CRC error", ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace travex {

enum class TraceLanguage : uint8_t { kChinese, kEnglish };

// `sent` tells a request of the tool from bytes received from the logger. Received bytes may
// be a frame, part of one, or noise.
std::string DescribeFrame(const uint8_t* bytes, size_t length, bool sent, TraceLanguage language);

}  // namespace travex
