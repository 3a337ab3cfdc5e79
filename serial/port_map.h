// Which device a COM number stands for.
//
// Port n (1..64) is the device behind the entry `comN` (lower case) in the port directory; each
// entry is a symbolic link to a device, and an entry whose device is missing still holds its
// number (the number names no device then). A link whose target is a network address
// ("rfc2217://HOST:PORT", "tcp://HOST:PORT?baud=RATE", see line_address.h) stands for that
// address: the "device" of the port is the address text. The COM numbers without an entry are given, in
// ascending order, to the serial devices present that no entry already names: on-board UARTs
// that really exist (ttyS* whose driver reports a known port type in sysfs), then ttyUSB*, then
// ttyACM*, each group in numeric order. Port 0 and 65 and above name no device.
//
// Nothing here opens a device or connects anywhere: only the file system and sysfs are looked at.
#pragma once

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace travex {

inline constexpr unsigned kMaxComNumber = 64;

// $TRAVEX_PORT_DIR when set and not empty, else $XDG_CONFIG_HOME/travex/ports (when that is an
// absolute path), else ~/.config/travex/ports.
std::string PortDirectory();
// The tool's folder under an XDG base directory: $variable/travex when the variable holds an
// absolute path, else ~/fallback/travex ("XDG_STATE_HOME", ".local/state" gives
// ~/.local/state/travex). The home folder is $HOME, else the user's entry in the password file.
std::string XdgFolder(const char* variable, const char* fallback);

// Where the port map looks. The defaults are the real system; tests point them elsewhere.
struct PortMapRoots {
  std::string port_dir;                        // empty: PortDirectory()
  std::string dev_dir = "/dev";                // device nodes ttyS*, ttyUSB*, ttyACM*
  std::string sys_tty_dir = "/sys/class/tty";  // <name>/type of each ttyS*
};

struct ComPortEntry {
  unsigned number = 0;
  std::string device;  // absolute path of the device, symbolic links resolved
};

// Path of the entry `comN` in the port directory (whether or not it exists); empty for a
// number that names no device.
std::string PortEntryPath(unsigned number, const PortMapRoots& roots = {});

// The device COM n stands for, or empty when there is none.
std::string ResolveComPort(unsigned number, const PortMapRoots& roots = {});

// The ports first..last (clamped to 1..64) that stand for an existing device, in number order.
std::vector<ComPortEntry> ListComPorts(unsigned first = 1, unsigned last = 30,
                                       const PortMapRoots& roots = {});

struct ComPortSlot {
  unsigned number = 0;
  std::string device;  // the device it stands for; when absent, the one it stood for last
  bool present = false;
};

// The port map of a program that runs for a while (the dialog). The rules above give the
// numbers, with one addition: once a number has stood for a device, it stays with that device
// while this object lives. When the device goes, its number is held for it (absent) and given to
// no other device; when it comes back (the same device node, or for a USB adapter with a serial
// number the same adapter under any node), it has its number again. New devices take the lowest
// number neither pinned nor held. Only a port directory entry, the operator's own choice, moves
// a number to another device. Safe to use from several threads.
class ComPortNumbering {
 public:
  // Looks at the system again, with `roots` from now on.
  void Refresh(const PortMapRoots& roots);
  // After the last look: ports first..last (clamped to 1..64) that stand for a device, or stood
  // for one earlier and are absent now, in number order.
  std::vector<ComPortSlot> Slots(unsigned first, unsigned last) const;
  // Looks at the system again, then the device port n stands for (empty when none).
  std::string Resolve(unsigned number);

  struct Held {
    std::string identity;  // who the number was given to
    std::string device;    // the device node it had last
  };

 private:
  void RefreshLocked();

  mutable std::mutex mutex_;
  PortMapRoots roots_;
  std::array<std::string, kMaxComNumber + 1> devices_;  // present now, by number
  std::array<Held, kMaxComNumber + 1> held_;
};

}  // namespace travex
