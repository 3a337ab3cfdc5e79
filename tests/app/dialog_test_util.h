// Shared set-up of the dialog tests: in-memory controls with the lists of the dialog template,
// the fake platform, a private port and ring, and the core built on them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dialog_core.h"
#include "app/selector_lists.h"
#include "params/gbk.h"
#include "resources/resource_ids.h"
#include "serial/com_port.h"
#include "serial/port_map.h"
#include "tests/support/fake_controls.h"
#include "tests/support/fake_platform.h"

namespace travex::testing {

// The controls as the dialog template leaves them, the selectors filled as the panels fill them.
inline void SetUpTemplateLists(FakeControls& c) {
  FillSelectorLists(c);
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
