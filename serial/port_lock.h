// Who else uses a serial device.
//
// Terminal programs mark a serial line they use with a UUCP lock file, "LCK..<name>" in
// /var/lock, holding the user's process id as ten digits and a newline. CPortLock takes and
// releases such a lock for our own opens and tells who holds it when someone else does. A lock
// whose process no longer exists is stale and is taken over atomically (our own file renamed
// over it). When the lock folder cannot be written the lock is simply not taken: the open goes
// on, protected by the exclusive open alone; a live holder's lock still keeps us out.
//
// FindFlockHolder names the process that holds the device's advisory lock (from /proc/locks),
// for the message when an exclusive open is refused without a lock file. Who merely has the
// device open is no holder: on a pseudo-terminal that is the program on its other side.
#pragma once

#include <sys/types.h>

#include <string>

namespace travex {

inline constexpr const char* kDefaultLockDir = "/var/lock";

struct PortHolder {
  pid_t pid = 0;
  std::string command;  // the process's name, empty when unknown
};

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
std::string LockFileName(const std::string& device);

class CPortLock {
 public:
  CPortLock() = default;
  ~CPortLock() { Release(); }
  CPortLock(const CPortLock&) = delete;
  CPortLock& operator=(const CPortLock&) = delete;

  // False when another live process (or another port of this process) holds the lock; then
  // *holder names it. True when the lock is now ours, or could not be taken for want of a
  // writable lock folder.
  bool Acquire(const std::string& device, const std::string& lock_dir, PortHolder* holder);
  // Removes the lock file if it is ours. Safe to call at any time.
  void Release();
  bool Held() const { return !path_.empty(); }

 private:
  std::string path_;
};

// True when a live process other than this one holds the device's lock file; *holder names it.
// Only looks: nothing is taken or removed.
bool LockedByOther(const std::string& device, const std::string& lock_dir, PortHolder* holder);

// The process that holds an flock on the device; pid 0 when none does.
PortHolder FindFlockHolder(const std::string& device);

// "1234 (minicom)", or "1234" when the name is unknown.
std::string DescribeHolder(const PortHolder& holder);

}  // namespace travex
