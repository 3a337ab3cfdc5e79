// CSignalCloser: SIGTERM and SIGHUP (kill, logout) end the tool as a close does, without the
// question about unsaved edits (nobody is there to answer it). The handler only writes the
// signal's number into a socket pair; the user-interface thread reads it through a
// QSocketNotifier and runs the close there, where the threads can be stopped and the port
// closed in order. One closer at a time; the previous handlers are back when it is destroyed.
#pragma once

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace travex {

class CSignalCloser : public QObject {
  Q_OBJECT

 public:
  // `close` runs on the user-interface thread once a signal has arrived.
  explicit CSignalCloser(std::function<void()> close, QObject* parent = nullptr);
  ~CSignalCloser() override;
  CSignalCloser(const CSignalCloser&) = delete;
  CSignalCloser& operator=(const CSignalCloser&) = delete;

 private:
  void OnSignal();

  std::function<void()> close_;
  int fds_[2] = {-1, -1};  // [0] written by the handler, [1] read here
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction previous_[2] = {};  // SIGTERM's and SIGHUP's handlers before

};

}  // namespace travex
