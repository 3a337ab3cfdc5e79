#include "app/qt/config_app.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

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

void CConfigApp::PrepareCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
      if (std::strcmp(argv[i], option) == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return;
      }
    }
  }
}

std::string CConfigApp::ParseCommandLine() {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Reads and writes the settings of a data logger over a serial line."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FILE.ini"),
                               QStringLiteral("Parameter file to import when the dialog opens."),
                               QStringLiteral("[FILE.ini]"));
  parser.process(arguments());  // answers --help, --version and unknown options itself

  const QStringList files = parser.positionalArguments();
  if (files.isEmpty()) return {};
  if (files.size() > 1) {
    std::fputs("travex-config: one parameter file at most\n", stderr);
    std::exit(EXIT_FAILURE);
  }
  const QFileInfo info(files.first());
  if (!info.isFile() || !info.isReadable()) {
    std::fprintf(stderr, "travex-config: cannot read the parameter file '%s'\n",
                 qPrintable(files.first()));
    std::exit(EXIT_FAILURE);
  }
  return QFile::encodeName(files.first()).toStdString();
}

int CConfigApp::InitInstance(CComPort& port, CRxRing& ring, const std::string& import_file) {
  CConfigDlg dialog(port, ring);
  if (!import_file.empty()) {
    // Once the dialog is on screen, so that whatever the import reports has it as its parent.
    QTimer::singleShot(0, &dialog, [&dialog, &import_file] {
      ImportNamedParamFile(dialog, import_file);
    });
  }
  dialog.exec();  // the result is not looked at
  dialog.Shutdown();
  return 0;
}

void ImportNamedParamFile(CConfigDlg& dialog, const std::string& path) {
  dialog.core().ImportFile(path);
}

}  // namespace travex
