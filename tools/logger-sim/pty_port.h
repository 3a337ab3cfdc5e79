// The logger's end of the line: a pseudo-terminal pair whose slave device is registered as
// `comN` in the port directory, so that the tool finds it like any serial port.
//
// While it runs, a logger holds an advisory lock (flock) on `.comN.lock` beside its link. A link
// to a pseudo-terminal (/dev/pts/...) whose lock nobody holds was left by a logger that died: it
// may be replaced. Only the link is removed; the terminal it names is never opened, since by now
// it may belong to someone else. A link to anything else is the user's and is never touched.
#pragma once

#include <cstddef>
#include <string>

namespace travex::sim {

class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Opens the pair; the master is non-blocking. A slave descriptor stays open for the life of
  // the port, so the master never sees a hang-up when the tool closes its side.
  bool Open(std::string* error);
  // Links `comN` in dir (created when missing) to the slave device and holds its lock.
  // com_number 0 takes the first free number; a stale link (above) counts as free.
  bool Register(const std::string& dir, unsigned com_number, std::string* error);
  // Removes the link if it still points at this port's device, and the lock file. Safe to
  // call twice.
  void Unregister();
  void Close();

  int master_fd() const { return master_fd_; }
  int slave_fd() const { return slave_fd_; }
  const std::string& device() const { return device_; }
  unsigned com_number() const { return com_number_; }
  const std::string& link_path() const { return link_path_; }

 private:
  enum class Claim { kOurs, kTaken, kFailed };
  // Tries to make number n ours; on kTaken and kFailed *why says why not.
  Claim TryNumber(const std::string& dir, unsigned n, std::string* why);

  int master_fd_ = -1;
  int slave_fd_ = -1;
  std::string device_;
  std::string link_path_;
  std::string lock_path_;
  int lock_fd_ = -1;
  unsigned com_number_ = 0;
};

}  // namespace travex::sim
