// CPortWatcher: tells the dialog when the serial ports may have changed. Two sources: the
// kernel's device events for the tty subsystem (a libudev monitor: USB adapters plugged in or
// removed) and the port directory (links added, removed or replaced by the operator or the
// simulated logger). Bursts of events (an adapter brings several) end in one PortsChanged,
// shortly after the last.
#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

namespace travex {

class CPortWatcher : public QObject {
  Q_OBJECT

 public:
  // port_dir: the port directory; it need not exist yet.
  CPortWatcher(const QString& port_dir, QObject* parent);
  ~CPortWatcher() override;
  CPortWatcher(const CPortWatcher&) = delete;
  CPortWatcher& operator=(const CPortWatcher&) = delete;

  // True when device events are received (false where udev is not available).
  bool WatchesDevices() const { return monitor_ != nullptr; }

 signals:
  void PortsChanged();

 private:
  void StartDeviceMonitor();
  void OnDeviceEvent();
  // Watches the port directory, or the nearest folder above it that exists until it does.
  void WatchPortDirectory();
  void OnDirectoryChanged();

  QString port_dir_;
  QFileSystemWatcher* files_ = nullptr;
  QTimer* settle_ = nullptr;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace travex
