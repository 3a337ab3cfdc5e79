// What the dialog remembers between runs, for the operator's convenience only: the port last
// used, the rate and address the last successful search found, and the folder of the last
// parameter or log file. Kept as an INI file in the user's configuration folder
// ($XDG_CONFIG_HOME/travex/travex-config.conf, by default ~/.config/travex/travex-config.conf).
// Nothing here changes what is written to a logger; the search tries a port's remembered rate
// first.
#pragma once

#include <QString>
#include <cstdint>

namespace travex {

struct RememberedSettings {
  QString port;         // "COM3": the port selected when the dialog last ended
  QString found_port;   // the port of the last successful search
  uint32_t found_baud = 0;
  int found_address = -1;
  QString folder;       // folder of the last file chosen in a file dialog
  QString language;     // "zh" or "en" when chosen in the context menu, else empty
};

// The settings file, from the environment as it is now.
QString SettingsFilePath();

RememberedSettings LoadRememberedSettings();
void RememberPort(const QString& port);
void RememberSearch(const QString& port, uint32_t baud, int address);
// The rate the logger on `port` last answered at (0: none known); the search tries it first.
uint32_t RememberedRate(const QString& port);
void RememberFolder(const QString& folder);
// The language for the next start: "zh" or "en".
void RememberLanguage(const QString& code);

// The tool tip of "测试波特率" that tells what the last search found (empty: nothing yet).
QString LastSearchToolTip(const RememberedSettings& settings);

}  // namespace travex
