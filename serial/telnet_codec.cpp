#include "serial/telnet_codec.h"

namespace travex::telnet {

namespace {

// Options the client offers (WILL) and asks for (DO) in its greeting.
bool OfferedByUs(uint8_t option) {
  return option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
}
bool AskedOfServer(uint8_t option) {
  return option == kOptionBinary || option == kOptionSuppressGoAhead;
}

}  // namespace

size_t BuildGreeting(uint8_t* out) {
  const uint8_t greeting[kGreetingSize] = {
      kIac, kWill, kOptionBinary, kIac, kWill, kOptionSuppressGoAhead, kIac, kWill, kOptionComPort,
      kIac, kDo,   kOptionBinary, kIac, kDo,   kOptionSuppressGoAhead};
  for (size_t i = 0; i < kGreetingSize; ++i) out[i] = greeting[i];
  return kGreetingSize;
}

size_t BuildComPortCommand(uint8_t command, const uint8_t* value, size_t size, uint8_t* out) {
  if (size > 4) size = 4;
  size_t n = 0;
  out[n++] = kIac;
  out[n++] = kSb;
  out[n++] = kOptionComPort;
  out[n++] = command;
  n += EscapeData(value, size, out + n);
  out[n++] = kIac;
  out[n++] = kSe;
  return n;
}

size_t BuildSetBaud(uint32_t baud, uint8_t* out) {
  const uint8_t value[4] = {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                            static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)};
  return BuildComPortCommand(kSetBaudRate, value, sizeof value, out);
}

size_t EscapeData(const uint8_t* data, size_t count, uint8_t* out) {
  size_t n = 0;
  for (size_t i = 0; i < count; ++i) {
    out[n++] = data[i];
    if (data[i] == kIac) out[n++] = kIac;
  }
  return n;
}

size_t CDecoder::Decode(uint8_t* bytes, size_t count) {
  size_t out = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    switch (step_) {
      case Step::kData:
        if (b == kIac) {
          step_ = Step::kCommand;
        } else {
          bytes[out++] = b;
        }
        break;
      case Step::kCommand:
        step_ = Step::kData;
        if (b == kIac) {
          bytes[out++] = b;  // an escaped data byte
        } else if (b == kSb) {
          sub_size_ = 0;
          sub_overflow_ = false;
          step_ = Step::kSub;
        } else if (b >= kWill) {
          verb_ = b;
          step_ = Step::kOption;
        }  // other commands (NOP, go-ahead, ...) carry nothing for us
        break;
      case Step::kOption:
        Negotiate(verb_, b);
        step_ = Step::kData;
        break;
      case Step::kSub:
      case Step::kSubIac:
        if (step_ == Step::kSub && b == kIac) {
          step_ = Step::kSubIac;
          break;
        }
        if (step_ == Step::kSubIac && b != kIac) {
          // IAC SE ends it; any other command ends it as well, broken.
          if (b == kSe) EndSubnegotiation();
          step_ = Step::kData;
          break;
        }
        step_ = Step::kSub;
        if (sub_size_ < sizeof sub_) {
          sub_[sub_size_++] = b;
        } else {
          sub_overflow_ = true;
        }
        break;
    }
  }
  return out;
}

void CDecoder::Negotiate(uint8_t verb, uint8_t option) {
  switch (verb) {
    case kDo:
      if (option == kOptionComPort) state_.com_port_accepted = true;
      if (!OfferedByUs(option)) Reply(kWont, option);
      break;
    case kDont:
      if (option == kOptionComPort) {
        state_.com_port_accepted = false;
        state_.com_port_refused = true;
      }
      break;
    case kWill:
      if (!AskedOfServer(option)) Reply(kDont, option);
      break;
    default:  // WONT: nothing is owed
      break;
  }
}

void CDecoder::Reply(uint8_t verb, uint8_t option) {
  if (reply_size_ + 3 > sizeof replies_) return;
  replies_[reply_size_++] = kIac;
  replies_[reply_size_++] = verb;
  replies_[reply_size_++] = option;
}

void CDecoder::EndSubnegotiation() {
  if (sub_overflow_ || sub_size_ < 2 || sub_[0] != kOptionComPort) return;
  const uint8_t command = sub_[1];
  if (command == kServerOffset + kSetBaudRate && sub_size_ >= 6) {
    state_.baud = (uint32_t{sub_[2]} << 24) | (uint32_t{sub_[3]} << 16) |
                  (uint32_t{sub_[4]} << 8) | uint32_t{sub_[5]};
    ++state_.baud_answers;
  } else if (command == kServerOffset + kPurgeData) {
    ++state_.purge_answers;
  }
}

}  // namespace travex::telnet
