// libFuzzer target: arbitrary bytes from a serial device server to the RFC 2217 client's
// decoder, cut where the first byte says. Data never outgrows its input, the replies stay
// within their buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "serial/telnet_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = data[0] % 16 + 1;
  std::vector<uint8_t> bytes(data + 1, data + size);
  travex::telnet::CDecoder decoder;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t n = bytes.size() - at < piece ? bytes.size() - at : piece;
    if (decoder.Decode(bytes.data() + at, n) > n) __builtin_trap();
    if (decoder.reply_size() > 48) __builtin_trap();
    if (at % 3 == 0) decoder.TakeReplies();
  }
  return 0;
}
