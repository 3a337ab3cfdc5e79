#include "app/qt/config_app.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>

#include "app/qt/app_icon.h"
#include "app/qt/config_dlg.h"
#include "travex_version.h"

namespace travex {

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
  // Qt takes the numeric locale from the environment; numbers in the panels and the parameter
  // file are always written and read with a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  setApplicationName(QStringLiteral("travex-config"));
  setApplicationVersion(QLatin1String(kVersionString));
  setDesktopFileName(QStringLiteral("travex-config"));
  setWindowIcon(AppIcon());

  // The interface is Chinese: Qt's own dialogs (file dialog) follow when the translation is
  // installed.
  auto* translator = new QTranslator(this);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(translator);
  }
}

CConfigApp::~CConfigApp() = default;

int CConfigApp::InitInstance(CComPort& port, CRxRing& ring) {
  CConfigDlg dialog(port, ring);
  dialog.exec();  // the result is not looked at
  dialog.Shutdown();
  return 0;
}

}  // namespace travex
