// The logger's end of the line: a pseudo-terminal pair whose slave device is registered as
// `comN` in the port directory, so that the tool finds it like any serial port.
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
  // Links `comN` in dir (created when missing) to the slave device. com_number 0 takes the
  // first number without an entry; a link whose device is gone counts as free.
  bool Register(const std::string& dir, unsigned com_number, std::string* error);
  // Removes the link if it still points at this port's device. Safe to call twice.
  void Unregister();
  void Close();

  int master_fd() const { return master_fd_; }
  int slave_fd() const { return slave_fd_; }
  const std::string& device() const { return device_; }
  unsigned com_number() const { return com_number_; }
  const std::string& link_path() const { return link_path_; }

 private:
  int master_fd_ = -1;
  int slave_fd_ = -1;
  std::string device_;
  std::string link_path_;
  unsigned com_number_ = 0;
};

}  // namespace travex::sim
