// The client side of Telnet with the COM-PORT option, as serial device servers speak it: the
// options negotiated at the start, IAC escaping of data both ways, the commands that set the
// line and purge it, and the server's answers to them.
//
// Every buffer is fixed: the decoder works in place and keeps at most one subnegotiation and a
// few negotiation replies; what does not fit is dropped (a server that floods us with requests
// gets some of them answered, never more memory).
#pragma once

#include <cstddef>
#include <cstdint>

namespace travex::telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kOptionBinary = 0;
inline constexpr uint8_t kOptionSuppressGoAhead = 3;
inline constexpr uint8_t kOptionComPort = 44;

// COM-PORT commands of the client; the server answers each with the command plus 100.
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kPurgeData = 12;
inline constexpr uint8_t kServerOffset = 100;

inline constexpr uint8_t kParityNone = 1;
inline constexpr uint8_t kStopSizeOne = 1;
inline constexpr uint8_t kPurgeBoth = 3;

// What the client says first: it will do binary, suppress go-ahead and COM-PORT, and asks the
// server for binary and suppress go-ahead.
inline constexpr size_t kGreetingSize = 15;
size_t BuildGreeting(uint8_t* out);

// A COM-PORT command with `size` value bytes (at most 4), IAC-escaped: at most 16 bytes.
inline constexpr size_t kMaxCommandSize = 16;
size_t BuildComPortCommand(uint8_t command, const uint8_t* value, size_t size, uint8_t* out);
// SET-BAUDRATE with the rate in network byte order.
size_t BuildSetBaud(uint32_t baud, uint8_t* out);

// Copies data into out (room for 2 * count bytes), doubling every IAC. Returns the length.
size_t EscapeData(const uint8_t* data, size_t count, uint8_t* out);

// What the server has told the client so far.
struct ServerState {
  bool com_port_accepted = false;  // DO COM-PORT
  bool com_port_refused = false;   // DONT COM-PORT
  uint32_t baud_answers = 0;       // SET-BAUDRATE answers, counted
  uint32_t baud = 0;               // the rate the last of them reports
  uint32_t purge_answers = 0;      // PURGE-DATA answers, counted
};

class CDecoder {
 public:
  // Takes `count` bytes from the server in `bytes` and leaves the data among them at the start
  // of the same buffer (never more than count); returns how many. Commands split over calls
  // are put together.
  size_t Decode(uint8_t* bytes, size_t count);

  const ServerState& state() const { return state_; }
  // Negotiation replies the client owes the server, to be sent and then taken.
  const uint8_t* replies() const { return replies_; }
  size_t reply_size() const { return reply_size_; }
  void TakeReplies() { reply_size_ = 0; }

 private:
  enum class Step : uint8_t { kData, kCommand, kOption, kSub, kSubIac };
  void Negotiate(uint8_t verb, uint8_t option);
  void Reply(uint8_t verb, uint8_t option);
  void EndSubnegotiation();

  Step step_ = Step::kData;
  uint8_t verb_ = 0;
  uint8_t sub_[32] = {};
  size_t sub_size_ = 0;
  bool sub_overflow_ = false;
  uint8_t replies_[48] = {};
  size_t reply_size_ = 0;
  ServerState state_;
};

}  // namespace travex::telnet
