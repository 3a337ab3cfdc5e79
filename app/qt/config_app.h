// CConfigApp: the application. Sets up Qt, runs the main dialog modally and returns when it
// closes.
#pragma once

#include <QApplication>

namespace travex {

class CComPort;
class CRxRing;

class CConfigApp : public QApplication {
  Q_OBJECT

 public:
  CConfigApp(int& argc, char** argv);
  ~CConfigApp() override;

  // Runs the main dialog on the program's port and ring. The dialog's worker threads are
  // stopped and joined and the dialog is destroyed before this returns, so the port and the
  // ring may be destroyed afterwards. Returns the process exit code.
  int InitInstance(CComPort& port, CRxRing& ring);
};

}  // namespace travex
