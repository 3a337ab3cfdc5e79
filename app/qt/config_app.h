// CConfigApp: the application. Sets up Qt, reads the command line, runs the main dialog modally
// and returns when it closes.
#pragma once

#include <QApplication>
#include <string>

namespace travex {

class CComPort;
class CConfigDlg;
class CRxRing;

class CConfigApp : public QApplication {
  Q_OBJECT

 public:
  CConfigApp(int& argc, char** argv);
  ~CConfigApp() override;

  // Called before the application object exists: --help and --version need no display, so Qt
  // starts on its offscreen platform when the command line asks for one of them.
  static void PrepareCommandLine(int argc, char** argv);

  // Reads the command line (Qt's own options are already taken out): [--help] [--version]
  // [FILE.ini]. --help and --version print their text and end the process with status 0; an
  // unknown option, a second file or a file that cannot be read is reported on stderr and ends
  // the process with status 1. Returns the parameter file to import when the dialog opens
  // (empty: none).
  std::string ParseCommandLine();

  // Runs the main dialog on the program's port and ring, with import_file imported as soon as
  // it is shown (when not empty). The dialog's worker threads are stopped and joined and the
  // dialog is destroyed before this returns, so the port and the ring may be destroyed
  // afterwards. Returns the process exit code.
  int InitInstance(CComPort& port, CRxRing& ring, const std::string& import_file = {});
};

// Imports a parameter file as the dialog's import button does, with path standing in for the
// operator's choice in the open dialog.
void ImportNamedParamFile(CConfigDlg& dialog, const std::string& path);

}  // namespace travex
