// The serial-information band: the baud-rate search that opens the port, and the query and set
// of the device's address and baud rate over LinkFrames.
#include <cerrno>
#include <string>
#include <vector>

#include "app/dialog_core.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"

namespace travex {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A label followed by "%d" of the value.
std::string Labelled(const char* label, long value) { return label + std::to_string(value); }

// The message of an open that failed: the system's reason; who holds a busy port; for a
// permission error the hint how a user gets access to serial ports.
std::string OpenFailureMessage(const OpenFailure& failure) {
  std::string text = "串口打开失败";
  if (failure.busy) {
    text += "\n" + (failure.device.empty() ? std::string("串口") : failure.device) +
            " 正被其他程序占用";
    text += failure.holder.empty() ? "。" : "：进程 " + failure.holder + "。";
    text += "\n请先关闭该程序，再测试波特率。";
    return text;
  }
  if (failure.error == 0) return text;
  if (failure.error == ENOENT) text += "\n所选串口的设备不在（已拔出或未连接）：请接回设备，再测试波特率。";
  text += "\n";
  if (!failure.device.empty()) text += failure.device + ": ";
  text += failure.reason;
  if (failure.refused_settings) text += "\n该设备不接受串口设置，可能不是串口。";
  if (failure.permission) {
    text += "\n当前用户没有使用串口的权限：请把用户加入 dialout 组"
            "（sudo usermod -aG dialout 用户名），然后重新登录。";
  }
  return text;
}

// Pane texts while the search runs.
class SearchProgress : public ISearchObserver {
 public:
  SearchProgress(IDialogPlatform& platform, IDialogControls& controls)
      : platform_(platform), controls_(controls) {}
  void OnTryingRate(uint32_t rate, int index) override {
    IDialogControls* controls = &controls_;
    platform_.PostToUi([controls, rate, index] {
      controls->SetStatusTexts("正在测试波特率：" + std::to_string(rate),
                               "第 " + std::to_string(index + 1) + " 个，共 9 个", "", "");
    });
  }

 private:
  IDialogPlatform& platform_;
  IDialogControls& controls_;
};

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
    const bool writing = WriteRunOpen();
    if (writing &&
        !controls_.AskYesNo("全部写入正在进行。测试波特率会中断它，记录仪的参数将只写入一部分。\n确定要中断吗？",
                            kAppName)) {
      return;
    }
    interrupted = writing ? "全部写入未完成：已被测试波特率中断" : "全部读取未完成：已被测试波特率中断";
    CancelRuns();
    ShowRunCut();
  }
  {
    // No request still queued or waiting goes on against a port that is about to change.
    std::lock_guard lock(worker_mutex_);
    jobs_.clear();
    if (running_job_ == JobKind::kRequest || running_job_ == JobKind::kLink) {
      job_stop_.request_stop();
    }
  }

  const uint8_t port_number = PortNumberFromText(controls_.GetText(IDC_PORT));
  search_running_ = true;
  SetSearchControls(true);
  controls_.SetStatusTexts("正在测试波特率", "", "", interrupted);
  QueueJob(JobKind::kSearch, [this, port_number, interrupted](std::stop_token stop) {
    SearchProgress progress(platform_, controls_);
    const SearchResult result = session_.Search(port_number, &progress, stop);
    const OpenFailure failure =
        result.status == SearchStatus::kOpenFailed ? DescribeOpenFailure(port_) : OpenFailure{};
    platform_.PostToUi(
        [this, result, failure, interrupted] { FinishSearch(result, failure, interrupted); });
  });
}

void CDialogCore::FinishSearch(const SearchResult& result, const OpenFailure& failure,
                               std::string_view interrupted) {
  search_running_ = false;
  SetSearchControls(false);
  switch (result.status) {
    case SearchStatus::kFound: {
      const auto baud = static_cast<int32_t>(result.baud);
      const int address = result.address;
      controls_.SetText(IDC_DEV_ADDR, std::to_string(address));
      controls_.SetText(IDC_DEV_BAUD, std::to_string(baud));
      controls_.SetStatusTexts(Labelled("设备波特率:", baud), Labelled("设备地址：", address), "",
                               interrupted);
      EnableAddrBaudButtons(true);
      platform_.SearchFound(controls_.GetText(IDC_PORT), result.baud, result.address);
      break;
    }
    case SearchStatus::kNoAnswer:
      controls_.SetStatusTexts("测试失败", "波特率未知", "地址未知", interrupted);
      break;
    case SearchStatus::kOpenFailed:
      controls_.SetStatusTexts("串口打开失败", failure.busy ? "串口被其他程序占用" : "请检查设备连接",
                               "", interrupted);
      controls_.ShowMessage(OpenFailureMessage(failure), "警告", MessageIcon::kQuestion);
      break;
    case SearchStatus::kCancelled:
      break;
  }
  // Ports that came or went meanwhile are listed now that the search has let go of the port.
  if (ports_changed_while_searching_) RefreshPorts();
}

void CDialogCore::LinkQueryJob(bool query, const uint8_t* frame) {
  std::vector<uint8_t> bytes(frame, frame + kLinkFrameSize);
  QueueJob(JobKind::kLink, [this, query, bytes](std::stop_token stop) {
    const bool ok = session_.LinkExchange(bytes.data(), kLinkWindow, stop);
    if (stop.stop_requested()) return;
    const int32_t baud = static_cast<int32_t>(session_.link_codec.GetBaud());
    const int address = session_.link_codec.GetAddress();
    platform_.PostToUi([this, query, ok, baud, address] {
      if (query) {
        if (ok) {
          controls_.SetStatusTexts(Labelled("设备地址：", address), Labelled("设备波特率：", baud),
                                   "", "");
        } else {
          controls_.SetStatusTexts("读取失败", "波特率未知", "地址未知", "");
        }
      } else if (ok) {
        controls_.SetStatusTexts("设置成功", "", "", "");
      }
    });
  });
}

void CDialogCore::OnQueryAddress() {
  if (RefuseWhileBusy()) return;
  uint8_t query[kLinkFrameSize];
  session_.link_codec.BuildQuery(query);
  LinkQueryJob(true, query);
}

void CDialogCore::OnQueryBaud() { OnQueryAddress(); }

void CDialogCore::OnSetAddress() {
  if (RefuseWhileBusy()) return;
  const auto address = static_cast<uint8_t>(ParseDialogSigned(controls_.GetText(IDC_DEV_ADDR)));
  if (address == 0) {
    controls_.ShowMessage("地址不能为0", kAppName, MessageIcon::kNone);
    return;
  }
  uint8_t frame[kLinkFrameSize];
  session_.link_codec.BuildSetAddress(frame, address);
  LinkQueryJob(false, frame);
}

void CDialogCore::OnSetBaud() {
  if (RefuseWhileBusy()) return;
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
  session_.link_codec.BuildSetBaud(frame, code);
  LinkQueryJob(false, frame);
}

}  // namespace travex
