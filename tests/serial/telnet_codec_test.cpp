// The RFC 2217 client's codec and the addresses of serial device servers.
#include "serial/telnet_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "serial/line_address.h"

namespace travex {
namespace {

using Bytes = std::vector<uint8_t>;

// Decodes `in` cut into pieces of `piece` bytes, as a socket may hand it over.
Bytes DecodeInPieces(telnet::CDecoder& decoder, Bytes in, size_t piece) {
  Bytes data;
  for (size_t at = 0; at < in.size(); at += piece) {
    const size_t n = std::min(piece, in.size() - at);
    const size_t got = decoder.Decode(in.data() + at, n);
    data.insert(data.end(), in.begin() + static_cast<long>(at),
                in.begin() + static_cast<long>(at + got));
  }
  return data;
}

TEST(TelnetCodec, DataAndServerAnswersSurviveAnyCutAndEscaping) {
  const Bytes payload = {0x55, 0xFF, 0x00, 0xFF, 0xFF, 0x0D, 0x0A};
  Bytes escaped(2 * payload.size());
  escaped.resize(telnet::EscapeData(payload.data(), payload.size(), escaped.data()));
  EXPECT_EQ(escaped.size(), payload.size() + 3);

  // From the server: DO COM-PORT, a baud answer of 115200 (a value byte that needs no escape),
  // data, a baud answer of 0xFF-laden 0x0001FFFF, a request we refuse, and more data.
  Bytes server = {255, 253, 44, 255, 250, 44, 101, 0, 1, 0xC2, 0, 255, 240};
  server.insert(server.end(), escaped.begin(), escaped.end());
  for (uint8_t b : {255, 250, 44, 101, 0, 1, 255, 255, 255, 255, 255, 240, 255, 253, 24}) {
    server.push_back(b);
  }
  server.insert(server.end(), escaped.begin(), escaped.end());
  Bytes expected = payload;
  expected.insert(expected.end(), payload.begin(), payload.end());
  for (size_t piece : {1u, 2u, 5u, 64u}) {
    SCOPED_TRACE(piece);
    telnet::CDecoder decoder;
    EXPECT_EQ(DecodeInPieces(decoder, server, piece), expected);
    EXPECT_TRUE(decoder.state().com_port_accepted);
    EXPECT_EQ(decoder.state().baud_answers, 2u);
    EXPECT_EQ(decoder.state().baud, 0x0001FFFFu);
    // Terminal type (24) was asked of us: refused.
    EXPECT_EQ(Bytes(decoder.replies(), decoder.replies() + decoder.reply_size()),
              (Bytes{255, 252, 24}));
  }
}

TEST(TelnetCodec, ArbitraryServerBytesNeverGrowTheOutputOrTheReplies) {
  std::mt19937 random(7);
  telnet::CDecoder decoder;
  Bytes bytes(300);
  for (int round = 0; round < 2000; ++round) {
    for (uint8_t& b : bytes) {
      // Mostly command bytes, so that every state is reached often.
      b = static_cast<uint8_t>(random() % 4 == 0 ? random() : 240 + random() % 16);
    }
    const size_t n = random() % bytes.size();
    ASSERT_LE(decoder.Decode(bytes.data(), n), n);
    ASSERT_LE(decoder.reply_size(), 48u);
    if (round % 3 == 0) decoder.TakeReplies();
  }
}

TEST(LineAddress, TheTwoSchemesAndWhatIsNoAddress) {
  LineAddress a;
  ASSERT_TRUE(ParseLineAddress("rfc2217://192.0.2.10:4001", &a));
  EXPECT_EQ(a.protocol, LineProtocol::kRfc2217);
  EXPECT_EQ(a.host, "192.0.2.10");
  EXPECT_EQ(a.port, "4001");
  ASSERT_TRUE(ParseLineAddress("tcp://[fe80::1]:23?baud=115200", &a));
  EXPECT_EQ(a.protocol, LineProtocol::kRawTcp);
  EXPECT_EQ(a.host, "fe80::1");
  EXPECT_EQ(a.baud, 115200u);
  for (const char* bad : {"rfc2217://host", "rfc2217://:4001", "rfc2217://h:0", "rfc2217://h:65536",
                          "tcp://h:1", "tcp://h:1?baud=", "tcp://h:1?baud=96x", "rfc2217://a:b:1",
                          "telnet://h:1", "rfc2217://[::1:4001"}) {
    std::string why;
    EXPECT_FALSE(ParseLineAddress(bad, &a, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  EXPECT_TRUE(LooksLikeLineAddress("tcp://junk"));
  EXPECT_FALSE(LooksLikeLineAddress("/dev/ttyUSB0"));
}

}  // namespace
}  // namespace travex
