// CConfigApp: the application. Sets up Qt, reads the command line, runs the main dialog modally
// and returns when it closes.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

namespace travex {

class CConfigDlg;
class CLanguageSetting;

class CConfigApp : public QApplication {
  Q_OBJECT

 public:
  CConfigApp(int& argc, char** argv);
  ~CConfigApp() override;

  // Called before the application object exists: --help, --version, a wrong option and the
  // file to import are answered without a display, so Qt starts on its offscreen platform when
  // the command line asks for one of the first three or when there is no display at all.
  // Returns false when there is no display (no DISPLAY or WAYLAND_DISPLAY, no platform asked
  // for): the caller checks the command line, then says so and ends.
  static bool PrepareCommandLine(int argc, char** argv);

  // Reads the command line (Qt's own options are already taken out): [--help] [--version]
  // [--lang zh|en] [FILE.ini], and installs the language (see language.h) that the help and
  // the dialog speak. --help and --version print their text and end the process with status 0; an
  // unknown option or a second file is a usage error (status 2), a file that cannot be read
  // ends it with status 1, each reported on stderr. Returns the parameter file to import when
  // the dialog opens (empty: none).
  std::string ParseCommandLine();

  // Runs the main dialog, with import_file imported as soon as it is shown (when not empty).
  // The session's threads are stopped and joined, its port closed (its lock removed) and the
  // dialog destroyed before this returns. SIGTERM and SIGHUP close the dialog the same way,
  // without asking. Returns the process exit code.
  int InitInstance(const std::string& import_file = {});

 private:
  // The language chosen by ParseCommandLine, installed until the application ends.
  std::unique_ptr<CLanguageSetting> language_;
};

// Imports a parameter file as the dialog's import button does, with path standing in for the
// operator's choice in the open dialog.
void ImportNamedParamFile(CConfigDlg& dialog, const std::string& path);

}  // namespace travex
