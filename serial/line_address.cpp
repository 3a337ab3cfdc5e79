#include "serial/line_address.h"

namespace travex {

namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kBaudQuery = "?baud=";

bool Fail(std::string* why, const char* text) {
  if (why != nullptr) *why = text;
  return false;
}

// A decimal number in 1..limit without signs or leading zeros; 0 when it is none.
uint32_t Decimal(std::string_view text, uint32_t limit) {
  if (text.empty() || text.size() > 10 || text[0] == '0') return 0;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value <= limit ? static_cast<uint32_t>(value) : 0;
}

}  // namespace

bool LooksLikeLineAddress(std::string_view text) {
  return text.starts_with(kRfc2217Scheme) || text.starts_with(kTcpScheme);
}

bool ParseLineAddress(std::string_view text, LineAddress* address, std::string* why) {
  LineAddress parsed;
  if (text.starts_with(kRfc2217Scheme)) {
    text.remove_prefix(kRfc2217Scheme.size());
  } else if (text.starts_with(kTcpScheme)) {
    text.remove_prefix(kTcpScheme.size());
    parsed.protocol = LineProtocol::kRawTcp;
    const size_t query = text.find('?');
    if (query == std::string_view::npos || !text.substr(query).starts_with(kBaudQuery)) {
      return Fail(why, "a tcp:// address needs its fixed rate: tcp://HOST:PORT?baud=RATE");
    }
    parsed.baud = Decimal(text.substr(query + kBaudQuery.size()), 4000000);
    if (parsed.baud == 0) return Fail(why, "the rate after ?baud= is not a number");
    text = text.substr(0, query);
  } else {
    return Fail(why, "an address starts with rfc2217:// or tcp://");
  }
  size_t colon = text.rfind(':');
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 != colon) {
      return Fail(why, "an IPv6 host is written in brackets before the port: [::1]:4001");
    }
    parsed.host = std::string(text.substr(1, close - 1));
  } else if (colon != std::string_view::npos) {
    parsed.host = std::string(text.substr(0, colon));
    if (parsed.host.find_first_of(":/?@[]") != std::string::npos) {
      return Fail(why, "the host contains characters no host name has");
    }
  }
  if (colon == std::string_view::npos || parsed.host.empty()) {
    return Fail(why, "an address names a host and a port: HOST:PORT");
  }
  const std::string_view port = text.substr(colon + 1);
  if (Decimal(port, 65535) == 0) return Fail(why, "the port is not a number from 1 to 65535");
  parsed.port = std::string(port);
  *address = std::move(parsed);
  return true;
}

}  // namespace travex
