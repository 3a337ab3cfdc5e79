// Shared set-up of the dialog tests: in-memory controls with the lists of the dialog template,
// the fake platform, a private port and ring, and the core built on them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dialog_core.h"
#include "params/gbk.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/port_map.h"
#include "tests/support/fake_controls.h"
#include "tests/support/fake_platform.h"

namespace travex::testing {

inline std::vector<std::string> GbkList(std::initializer_list<const char*> utf8) {
  std::vector<std::string> list;
  for (const char* s : utf8) list.push_back(Utf8ToGbk(s));
  return list;
}

inline std::vector<std::string> NumberedList(const char* prefix, int count) {
  std::vector<std::string> list;
  for (int i = 1; i <= count; ++i) list.push_back(Utf8ToGbk(prefix + std::to_string(i)));
  return list;
}

// The selector lists as the dialog template loads them.
inline void SetUpTemplateLists(FakeControls& c) {
  c.SetList(IDC_COMM_BAUD, GbkList({"2400", "4800", "9600", "14400", "19200", "38400", "56000",
                                    "57600", "115200"}));
  c.SetList(IDC_PARITY, GbkList({"无校验", "奇校验", "偶校验"}));
  c.SetList(IDC_ARG1_CHANNEL, NumberedList("通道", 32));
  c.SetList(IDC_ARG2_CHANNEL, NumberedList("通道", 32));
  std::vector<std::string> gears = NumberedList("遥调档位", 8);
  gears.push_back(Utf8ToGbk("遥调档位其他"));
  c.SetList(IDC_GEAR, gears);
  c.SetList(IDC_FUNC_CODE, GbkList({"03功能码", "04功能码"}));
  c.SetList(IDC_DECIMALS, GbkList({"0", "1", "2", "3", "4", "5"}));
  c.SetList(IDC_DATA_TYPE, NumberedList("type", 16));
  c.controls[IDC_VERSION].text = "---";
  for (int id : {IDC_DEV_ADDR, IDC_ADDR_QUERY, IDC_ADDR_SET, IDC_DEV_BAUD, IDC_BAUD_QUERY,
                 IDC_BAUD_SET, IDC_ARG1_READ, IDC_ARG1_WRITE, IDC_ARG2_READ, IDC_ARG2_WRITE}) {
    c.controls[id].visible = false;
  }
}

// A private port directory for the test, named after it; TRAVEX_PORT_DIR points there.
class ScopedPortDir {
 public:
  explicit ScopedPortDir(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() /
            ("travex-dialog-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    ::setenv("TRAVEX_PORT_DIR", path_.c_str(), 1);
  }
  ~ScopedPortDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScopedPortDir(const ScopedPortDir&) = delete;
  ScopedPortDir& operator=(const ScopedPortDir&) = delete;

  // Port-map roots that see only this directory: no devices, no sysfs.
  PortMapRoots OnlyThisDirectory() const {
    PortMapRoots roots;
    roots.port_dir = path_.string();
    roots.dev_dir = (path_ / "no-dev").string();
    roots.sys_tty_dir = (path_ / "no-sys").string();
    return roots;
  }

  void Link(const std::string& entry, const std::string& target) {
    std::filesystem::create_symlink(target, path_ / entry);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Controls, platform and core wired as the Qt dialog wires them.
struct DialogRig {
  DialogRig() : core(controls, platform), port(core.session().port()) {
    SetUpTemplateLists(controls);
    platform.core = &core;
  }
  ~DialogRig() { core.Shutdown(); }
  DialogRig(const DialogRig&) = delete;
  DialogRig& operator=(const DialogRig&) = delete;

  std::string Pane(int i) const { return controls.panes[i]; }

  // Runs the emulated event loop until the transfer thread has nothing left to do and every
  // result it posted has been handled.
  bool Settle(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const bool idle = platform.RunUntil([this] { return !core.Busy(); }, timeout);
    platform.RunPending();
    return idle;
  }

  FakeControls controls;
  FakePlatform platform;
  CDialogCore core;
  // The session's port, which tests open and look at directly.
  CComPort& port;
};

}  // namespace travex::testing
