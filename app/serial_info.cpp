// The serial-information band: the baud-rate search that opens the port, and the query and set
// of the device's address and baud rate over LinkFrames.
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "app/dialog_core.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/rx_ring.h"

namespace travex {

namespace {

constexpr uint32_t kSearchRates[9] = {2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
constexpr size_t kLinkReplyBuffer = 30;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A label followed by "%d" of the value.
std::string Labelled(const char* label, long value) { return label + std::to_string(value); }

// The message of an open that failed: the system's reason, and for a permission error the hint
// how a user gets access to serial ports.
std::string OpenFailureMessage(const CComPort& port) {
  std::string text = "串口打开失败";
  const int error = port.LastError();
  if (error == 0) return text;
  text += "\n";
  if (!port.LastDevice().empty()) text += port.LastDevice() + ": ";
  text += std::generic_category().message(error);
  if (error == EACCES || error == EPERM) {
    text += "\n当前用户没有使用串口的权限：请把用户加入 dialout 组"
            "（sudo usermod -aG dialout 用户名），然后重新登录。";
  }
  return text;
}

}  // namespace

uint8_t PortNumberFromText(std::string_view text) {
  if (text.size() <= 3) return 0;
  std::string_view rest = text.substr(3);
  size_t i = 0;
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) {
    negative = rest[i] == '-';
    ++i;
  }
  // Only the value modulo 256 matters, so the digits are summed modulo 2^32.
  uint32_t value = 0;
  while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') {
    value = value * 10u + static_cast<uint32_t>(rest[i] - '0');
    ++i;
  }
  if (negative) value = 0u - value;
  return static_cast<uint8_t>(value);
}

int32_t ParseDialogSigned(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (begin < end && (text[begin] == '-' || text[begin] == '+')) {
    negative = text[begin] == '-';
    ++begin;
  }
  if (begin == end) return 0;
  int64_t value = 0;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 0;
  return static_cast<int32_t>(value);
}

bool CDialogCore::LinkExchange(const uint8_t* frame, size_t length, int poll_ms, int polls) {
  ring_.Clear();
  port_.Write(frame, length);
  uint8_t reply[kLinkReplyBuffer];
  size_t got = 0;
  // A reply may straddle a poll: keep taking until one LinkFrame's worth has arrived.
  for (int poll = 0; poll < polls && got < kLinkFrameSize; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    got += ring_.Pop(reply + got, static_cast<uint16_t>(kLinkReplyBuffer - got));
  }
  if (got == 0) return false;
  return link_codec.CheckReply(reply, got);
}

void CDialogCore::OnTestBaud() {
  // The search closes and reopens the port: a run in progress ends first, and no collection
  // goes on waiting for a reply that can no longer come.
  CancelRuns();

  const uint8_t port_number = PortNumberFromText(controls_.GetText(IDC_PORT));
  uint8_t query[kLinkFrameSize];
  link_codec.BuildQuery(query);

  bool answered = false;
  for (uint32_t rate : kSearchRates) {
    port_.Close();
    port_.Configure(port_number, 8, 0, 0, rate);
    if (port_.Open() == 0) {
      // Some adapters refuse single rates (14400, 56000): the search goes on with the next.
      if (port_.LastOpenRefusedSettings()) continue;
      controls_.SetStatusTexts("串口打开失败", "请检查设备连接", "", "");
      controls_.ShowMessage(OpenFailureMessage(port_), "警告", MessageIcon::kQuestion);
      return;
    }
    if (LinkExchange(query, kLinkFrameSize, 100, 5)) {
      answered = true;
      break;
    }
  }

  if (!answered) {
    controls_.SetStatusTexts("测试失败", "波特率未知", "地址未知", "");
    return;
  }
  const auto baud = static_cast<int32_t>(link_codec.GetBaud());
  const int address = link_codec.GetAddress();
  controls_.SetText(IDC_DEV_ADDR, std::to_string(address));
  controls_.SetText(IDC_DEV_BAUD, std::to_string(baud));
  controls_.SetStatusTexts(Labelled("设备波特率:", baud), Labelled("设备地址：", address), "", "");
  EnableAddrBaudButtons(true);
}

void CDialogCore::OnQueryAddress() {
  if (RefuseDuringRun()) return;
  uint8_t query[kLinkFrameSize];
  link_codec.BuildQuery(query);
  if (LinkExchange(query, kLinkFrameSize, 50, 20)) {
    controls_.SetStatusTexts(Labelled("设备地址：", link_codec.GetAddress()),
                             Labelled("设备波特率：", static_cast<int32_t>(link_codec.GetBaud())),
                             "", "");
  } else {
    controls_.SetStatusTexts("读取失败", "波特率未知", "地址未知", "");
  }
}

void CDialogCore::OnQueryBaud() { OnQueryAddress(); }

void CDialogCore::OnSetAddress() {
  if (RefuseDuringRun()) return;
  const auto address = static_cast<uint8_t>(ParseDialogSigned(controls_.GetText(IDC_DEV_ADDR)));
  if (address == 0) {
    controls_.ShowMessage("地址不能为0", kAppName, MessageIcon::kNone);
    return;
  }
  uint8_t frame[kLinkFrameSize];
  link_codec.BuildSetAddress(frame, address);
  if (LinkExchange(frame, kLinkFrameSize, 50, 20)) {
    controls_.SetStatusTexts("设置成功", "", "", "");
  }
}

void CDialogCore::OnSetBaud() {
  if (RefuseDuringRun()) return;
  const int32_t value = ParseDialogSigned(controls_.GetText(IDC_DEV_BAUD));
  uint8_t code = 0;
  if (value == 1 || value == 2400) {
    code = 1;
  } else if (value == 2 || value == 4800) {
    code = 2;
  } else if (value == 3 || value == 9600) {
    code = 3;
  } else {
    controls_.ShowMessage("波特率错误", kAppName, MessageIcon::kNone);
    return;
  }
  uint8_t frame[kLinkFrameSize];
  link_codec.BuildSetBaud(frame, code);
  if (LinkExchange(frame, kLinkFrameSize, 50, 20)) {
    controls_.SetStatusTexts("设置成功", "", "", "");
  }
}

}  // namespace travex
