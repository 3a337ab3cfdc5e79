#include "app/qt/tool_settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include "serial/port_map.h"

namespace travex {

namespace {

constexpr auto kPortKey = "port";
constexpr auto kFoundPortKey = "search/port";
constexpr auto kFoundBaudKey = "search/baud";
constexpr auto kFoundAddressKey = "search/address";
constexpr auto kFolderKey = "files/folder";
constexpr auto kLanguageKey = "language";

// One key per port: "rates/COM3=115200". Port texts are upper-cased so that "com3" is COM3.
QString RateKey(const QString& port) {
  return QStringLiteral("rates/") + port.trimmed().toUpper();
}

QSettings OpenSettings() { return QSettings(SettingsFilePath(), QSettings::IniFormat); }

}  // namespace

QString SettingsFilePath() {
  return QFile::decodeName(XdgFolder("XDG_CONFIG_HOME", ".config").c_str()) +
         QStringLiteral("/travex-config.conf");
}

RememberedSettings LoadRememberedSettings() {
  const QSettings settings = OpenSettings();
  RememberedSettings remembered;
  remembered.port = settings.value(kPortKey).toString();
  remembered.found_port = settings.value(kFoundPortKey).toString();
  bool ok = false;
  const uint32_t baud = settings.value(kFoundBaudKey).toUInt(&ok);
  if (ok) remembered.found_baud = baud;
  const int address = settings.value(kFoundAddressKey).toInt(&ok);
  if (ok && address >= 0 && address <= 255) remembered.found_address = address;
  remembered.folder = settings.value(kFolderKey).toString();
  remembered.language = settings.value(kLanguageKey).toString();
  return remembered;
}

void RememberPort(const QString& port) { OpenSettings().setValue(kPortKey, port); }

void RememberSearch(const QString& port, uint32_t baud, int address) {
  QSettings settings = OpenSettings();
  settings.setValue(kFoundPortKey, port);
  settings.setValue(kFoundBaudKey, baud);
  settings.setValue(kFoundAddressKey, address);
  if (!port.trimmed().isEmpty()) settings.setValue(RateKey(port), baud);
}

uint32_t RememberedRate(const QString& port) {
  if (port.trimmed().isEmpty()) return 0;
  bool ok = false;
  const uint32_t rate = OpenSettings().value(RateKey(port)).toUInt(&ok);
  return ok ? rate : 0;
}

void RememberFolder(const QString& folder) { OpenSettings().setValue(kFolderKey, folder); }

void RememberLanguage(const QString& code) { OpenSettings().setValue(kLanguageKey, code); }

QString LastSearchToolTip(const RememberedSettings& settings) {
  if (settings.found_baud == 0 || settings.found_address < 0) return {};
  QString tip = QCoreApplication::translate("dialog", "上次找到记录仪：波特率 %1，地址 %2")
                    .arg(settings.found_baud)
                    .arg(settings.found_address);
  if (!settings.found_port.isEmpty()) {
    tip += QCoreApplication::translate("dialog", "（%1）").arg(settings.found_port);
  }
  return tip;
}

}  // namespace travex
