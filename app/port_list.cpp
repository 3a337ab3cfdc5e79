// The port list (IDC_PORT): filled at start, and brought up to date while the dialog runs as
// adapters come and go and the port directory changes. A port whose device goes stays listed,
// marked absent, and keeps its number (see ComPortNumbering): the operator's choice never moves
// to another device by itself.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/dialog_core.h"
#include "app/dialog_texts.h"
#include "params/gbk.h"
#include "resources/resource_ids.h"
#include "serial/line_address.h"
#include "serial/port_info.h"
#include "serial/port_lock.h"
#include "serial/port_map.h"

namespace travex {

namespace {

// Follows the COM name of a port whose device is absent.
constexpr std::string_view kAbsentMark = TRAVEX_TEXT("dialog", "（未连接）");

struct PortListing {
  std::vector<std::string> names;  // "COM3", in text order (COM10 before COM2)
  std::vector<std::string> tips;   // the device, what it is, and why it may not be usable
};

// The device, what it is and, when it cannot be used now, why.
std::string PortTip(const std::string& device, const PortMapRoots& roots, const IWords& words) {
  // A serial device server's line is its address; nothing more is known without connecting.
  if (LooksLikeLineAddress(device)) return device;
  const SerialPortInfo info = DescribeSerialPort(device, roots.sys_tty_dir);
  std::string tip = SerialPortSummary(info);
  PortHolder holder;
  if (LockedByOther(device, kDefaultLockDir, &holder)) {
    tip += "\n" + FillIn(words.Tr("dialog", "正被其他程序占用：进程 %1"), {DescribeHolder(holder)});
  } else if (!info.accessible) {
    tip += "\n" + words.Tr("dialog", dialog_text::kDialoutHint);
  }
  return tip;
}

std::string AbsentTip(const std::string& device, const IWords& words) {
  return FillIn(words.Tr("dialog", "设备不在：%1\n设备接回后，它仍是这个串口号"), {device});
}

PortListing ListPorts(ComPortNumbering& numbering, const PortMapRoots& roots, const IWords& words) {
  numbering.Refresh(roots);
  const std::string absent_mark = Utf8ToGbk(words.Tr("dialog", kAbsentMark));
  std::vector<std::pair<std::string, std::string>> ports;
  for (const ComPortSlot& slot : numbering.Slots(1, 30)) {
    std::string name = "COM" + std::to_string(slot.number);
    if (!slot.present) name += absent_mark;
    ports.emplace_back(std::move(name), slot.present ? PortTip(slot.device, roots, words)
                                                     : AbsentTip(slot.device, words));
  }
  std::sort(ports.begin(), ports.end());
  PortListing listing;
  for (auto& [name, tip] : ports) {
    listing.names.push_back(std::move(name));
    listing.tips.push_back(std::move(tip));
  }
  return listing;
}

// A port's name without the absent mark (which begins with the first space or byte beyond
// ASCII, in either language, in GBK as in UTF-8), so that a choice follows its port as the
// device goes and comes back.
std::string_view BareName(std::string_view name) {
  const auto mark = std::find_if(name.begin(), name.end(), [](char c) {
    return c == ' ' || static_cast<unsigned char>(c) >= 0x80;
  });
  return name.substr(0, static_cast<size_t>(mark - name.begin()));
}

}  // namespace

void CDialogCore::EnumeratePorts() {
  PortListing listing = ListPorts(session_.Numbering(), port_map_roots, controls_);
  ShowPorts(std::move(listing.names), std::move(listing.tips), preferred_port, false);
}

void CDialogCore::RefreshPorts() {
  if (search_running_) {
    ports_changed_while_searching_ = true;
    return;
  }
  ports_changed_while_searching_ = false;
  PortListing listing = ListPorts(session_.Numbering(), port_map_roots, controls_);
  if (listing.names == port_names_ && listing.tips == port_tips_) return;
  const std::string current = controls_.GetText(IDC_PORT);
  const bool typed = !current.empty() &&
                     std::find(port_names_.begin(), port_names_.end(), current) == port_names_.end();
  ShowPorts(std::move(listing.names), std::move(listing.tips), current, typed);
}

void CDialogCore::ShowPorts(std::vector<std::string> names, std::vector<std::string> tips,
                            const std::string& wanted, bool keep_unlisted) {
  port_names_ = std::move(names);
  port_tips_ = std::move(tips);
  controls_.SetListEntries(IDC_PORT, port_names_, port_tips_);
  if (port_names_.empty()) {
    controls_.SetUnlistedValue(IDC_PORT, controls_.Tr("dialog", dialog_text::kNoPorts));
    controls_.EnableControl(IDC_PORT, false);
    controls_.EnableControl(IDC_TEST_BAUD, false);
    return;
  }
  controls_.EnableControl(IDC_PORT, true);
  controls_.EnableControl(IDC_TEST_BAUD, true);
  const auto found = std::find_if(port_names_.begin(), port_names_.end(), [&](const std::string& name) {
    return BareName(name) == BareName(wanted);
  });
  if (found != port_names_.end()) {
    controls_.SetSelection(IDC_PORT, static_cast<int>(found - port_names_.begin()));
  } else if (keep_unlisted) {
    // A name the operator typed (a port beyond the list, say) stays as typed.
    controls_.SetText(IDC_PORT, wanted);
  } else {
    controls_.SetSelection(IDC_PORT, 0);
  }
}

}  // namespace travex
