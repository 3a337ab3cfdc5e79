#include "app/qt/port_watcher.h"

#include <libudev.h>

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

namespace travex {

namespace {
// Long enough for a burst (node, links, permissions) to end; short enough to feel immediate.
constexpr int kSettleMs = 250;
}  // namespace

CPortWatcher::CPortWatcher(const QString& port_dir, QObject* parent)
    : QObject(parent), port_dir_(QDir::cleanPath(QDir(port_dir).absolutePath())) {
  settle_ = new QTimer(this);
  settle_->setSingleShot(true);
  settle_->setInterval(kSettleMs);
  connect(settle_, &QTimer::timeout, this, &CPortWatcher::PortsChanged);

  files_ = new QFileSystemWatcher(this);
  connect(files_, &QFileSystemWatcher::directoryChanged, this, &CPortWatcher::OnDirectoryChanged);
  WatchPortDirectory();
  StartDeviceMonitor();
}

CPortWatcher::~CPortWatcher() {
  delete notifier_;
  notifier_ = nullptr;
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

void CPortWatcher::StartDeviceMonitor() {
  udev_ = udev_new();
  if (udev_ == nullptr) return;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    // No device events here (a container, say): the port directory is still watched.
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    return;
  }
  notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CPortWatcher::OnDeviceEvent);
}

void CPortWatcher::OnDeviceEvent() {
  // Take every pending event; what they say is read from the file system afterwards.
  while (udev_device* device = udev_monitor_receive_device(monitor_)) udev_device_unref(device);
  settle_->start();
}

void CPortWatcher::WatchPortDirectory() {
  const QStringList watched = files_->directories();
  if (!watched.isEmpty()) files_->removePaths(watched);
  QString dir = port_dir_;
  while (!QFileInfo(dir).isDir()) {
    const QString parent = QFileInfo(dir).path();
    if (parent == dir) return;
    dir = parent;
  }
  files_->addPath(dir);
}

void CPortWatcher::OnDirectoryChanged() {
  // The port directory may have been created, or removed, meanwhile.
  WatchPortDirectory();
  settle_->start();
}

}  // namespace travex
