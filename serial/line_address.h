// Network addresses of serial lines behind a serial device server:
//   rfc2217://HOST:PORT          the client sets the line (rate, 8-N-1) and can purge
//   tcp://HOST:PORT?baud=RATE    raw bytes; the rate is fixed on the server and named here
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("[::1]").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace travex {

enum class LineProtocol : uint8_t { kRfc2217, kRawTcp };

struct LineAddress {
  LineProtocol protocol = LineProtocol::kRfc2217;
  std::string host;
  std::string port;    // decimal, 1..65535
  uint32_t baud = 0;   // raw TCP: the server's fixed rate; 0 for RFC 2217
};

// True when the text starts like an address (either scheme), whether or not the rest is valid:
// such a text never names a local device.
bool LooksLikeLineAddress(std::string_view text);

// False for a text that is no valid address; `why` (may be nullptr) then says what is wrong.
bool ParseLineAddress(std::string_view text, LineAddress* address, std::string* why = nullptr);

}  // namespace travex
