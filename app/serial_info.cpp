// The serial-information band: the baud-rate search that opens the port, and the query and set
// of the device's address and baud rate over LinkFrames.
#include <cerrno>
#include <string>
#include <vector>

#include "app/dialog_core.h"
#include "resources/resource_ids.h"
#include "app/dialog_texts.h"
#include "params/value_lists.h"

namespace travex {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A label followed by "%d" of the value.
std::string Labelled(const IWords& words, const char* label, long value) {
  return FillIn(words.Tr("dialog", label), {std::to_string(value)});
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

void CDialogCore::SetSearchControls(bool searching) {
  // Everything that would talk to the logger or change the port waits for the search; clicks
  // on them meanwhile do nothing and are not replayed.
  static constexpr int kTalking[] = {IDC_PORT,       IDC_TEST_BAUD, IDC_BASE_READ,
                                     IDC_BASE_WRITE, IDC_ARG1_READ, IDC_ARG1_WRITE,
                                     IDC_ARG2_READ,  IDC_ARG2_WRITE, IDC_READ_ALL,
                                     IDC_WRITE_ALL};
  static constexpr int kAddrBaud[] = {IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_BAUD_QUERY, IDC_BAUD_SET};
  for (int id : kTalking) controls_.EnableControl(id, !searching);
  // The address and baud buttons come back only as the last search left them.
  for (int id : kAddrBaud) controls_.EnableControl(id, !searching && addr_baud_enabled_);
}

void CDialogCore::OnTestBaud() {
  if (search_running_) return;
  // The search closes and reopens the port: a run in progress ends first. A write-all ended
  // halfway leaves the logger partly written, so the operator decides.
  std::string interrupted;
  if (RunInProgress()) {
    const bool writing = session_.RunArmed(BulkRun::kWrite);
    if (writing &&
        !controls_.AskYesNo(
            controls_.Tr("dialog", "全部写入正在进行。测试波特率会中断它，记录仪的参数将只写入一部分。\n确定要中断吗？"),
            AppName())) {
      return;
    }
    interrupted = writing ? controls_.Tr("dialog", "全部写入未完成：已被测试波特率中断")
                          : controls_.Tr("dialog", "全部读取未完成：已被测试波特率中断");
    session_.CancelRuns();
    ShowRunCut();
  }

  const uint8_t port_number = PortNumberFromText(controls_.GetText(IDC_PORT));
  search_running_ = true;
  SetSearchControls(true);
  controls_.SetStatusTexts(controls_.Tr("dialog", "正在测试波特率"), "", "", interrupted);
  // No request still queued or waiting goes on against a port that is about to change.
  session_.Search(
      port_number,
      [this, interrupted](const SearchOutcome& outcome) {
        platform_.PostToUi([this, outcome, interrupted] { FinishSearch(outcome, interrupted); });
      },
      platform_.RememberedRate(controls_.GetText(IDC_PORT)));
}

void CDialogCore::FinishSearch(const SearchOutcome& outcome, std::string_view interrupted) {
  const SearchResult& result = outcome.result;
  search_running_ = false;
  SetSearchControls(false);
  switch (result.status) {
    case SearchStatus::kFound: {
      const auto baud = static_cast<int32_t>(result.baud);
      const int address = result.address;
      controls_.SetText(IDC_DEV_ADDR, std::to_string(address));
      controls_.SetText(IDC_DEV_BAUD, std::to_string(baud));
      controls_.SetStatusTexts(Labelled(controls_, TRAVEX_TEXT("dialog", "设备波特率:%1"), baud),
                               Labelled(controls_, TRAVEX_TEXT("dialog", "设备地址：%1"), address), "",
                               interrupted);
      EnableAddrBaudButtons(true);
      platform_.SearchFound(controls_.GetText(IDC_PORT), result.baud, result.address);
      break;
    }
    case SearchStatus::kNoAnswer:
      controls_.SetStatusTexts(controls_.Tr("dialog", "测试失败"),
                               result.fixed_rate != 0
                                   ? dialog_text::FixedRateNoAnswer(result.fixed_rate, controls_)
                                   : controls_.Tr("dialog", "波特率未知"),
                               controls_.Tr("dialog", "地址未知"), interrupted);
      break;
    case SearchStatus::kOpenFailed:
      controls_.SetStatusTexts(controls_.Tr("dialog", "串口打开失败"),
                               outcome.failure.busy ? controls_.Tr("dialog", "串口被其他程序占用")
                                                    : controls_.Tr("dialog", "请检查设备连接"),
                               "", interrupted);
      controls_.ShowMessage(dialog_text::OpenFailureMessage(outcome.failure, controls_),
                            controls_.Tr("dialog", "警告"),
                            MessageIcon::kQuestion);
      break;
    case SearchStatus::kCancelled:
      break;
  }
  // Ports that came or went meanwhile are listed now that the search has let go of the port.
  if (ports_changed_while_searching_) RefreshPorts();
}

void CDialogCore::FinishLink(bool query, const LinkOutcome& outcome) {
  if (outcome.cancelled) return;
  const auto baud = static_cast<int32_t>(outcome.baud);
  const int address = outcome.address;
  if (query) {
    if (outcome.answered) {
      controls_.SetStatusTexts(Labelled(controls_, TRAVEX_TEXT("dialog", "设备地址：%1"), address),
                               Labelled(controls_, TRAVEX_TEXT("dialog", "设备波特率：%1"), baud), "",
                               "");
    } else {
      controls_.SetStatusTexts(controls_.Tr("dialog", "读取失败"), controls_.Tr("dialog", "波特率未知"),
                               controls_.Tr("dialog", "地址未知"), "");
    }
  } else if (outcome.answered) {
    controls_.SetStatusTexts(controls_.Tr("dialog", "设置成功"), "", "", "");
  }
}

void CDialogCore::SendLink(LinkRequest request) {
  const bool query = request.action == LinkRequest::Action::kQuery;
  session_.Link(request, [this, query](const LinkOutcome& outcome) {
    platform_.PostToUi([this, query, outcome] { FinishLink(query, outcome); });
  });
}

void CDialogCore::OnQueryAddress() {
  if (RefuseWhileBusy()) return;
  SendLink({LinkRequest::Action::kQuery, 0});
}

void CDialogCore::OnQueryBaud() { OnQueryAddress(); }

void CDialogCore::OnSetAddress() {
  if (RefuseWhileBusy()) return;
  const auto address = static_cast<uint8_t>(ParseDialogSigned(controls_.GetText(IDC_DEV_ADDR)));
  if (address < kMinLinkAddress) {
    controls_.ShowMessage(controls_.Tr("dialog", "地址不能为0"), AppName(), MessageIcon::kNone);
    return;
  }
  SendLink({LinkRequest::Action::kSetAddress, address});
}

void CDialogCore::OnSetBaud() {
  if (RefuseWhileBusy()) return;
  const uint8_t code = LinkSetBaudCode(ParseDialogSigned(controls_.GetText(IDC_DEV_BAUD)));
  if (code == 0) {
    controls_.ShowMessage(controls_.Tr("dialog", "波特率错误"), AppName(), MessageIcon::kNone);
    return;
  }
  SendLink({LinkRequest::Action::kSetBaud, code});
}

}  // namespace travex
