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

namespace {

// The toolkit's own options (QApplication takes them out of the arguments before we look).
bool IsToolkitOption(const char* arg) {
  static const char* const kOptions[] = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
      "qwindowicon", "qwindowtitle", "reverse", "session", "style", "stylesheet", "widgetcount",
      "display", "geometry", "qmljsdebugger"};
  const char* name = arg + (arg[1] == '-' ? 2 : 1);
  const char* end = std::strchr(name, '=');
  const size_t length = end != nullptr ? static_cast<size_t>(end - name) : std::strlen(name);
  for (const char* option : kOptions) {
    if (std::strlen(option) == length && std::strncmp(option, name, length) == 0) return true;
  }
  return false;
}

}  // namespace

void CConfigApp::PrepareCommandLine(int argc, char** argv) {
  // Help, version and a wrong option are answered without a display.
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) return;
    if (arg[0] != '-' || arg[1] == '\0') continue;
    bool ours = false;
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
      ours = ours || std::strcmp(arg, option) == 0;
    }
    if (ours || !IsToolkitOption(arg)) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      return;
    }
  }
}

std::string CConfigApp::ParseCommandLine() {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Travex配置软件：通过串口读取和写入数据记录仪的全部参数，并保存为参数文件。"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FILE.ini"),
                               QStringLiteral("打开后导入的参数文件（INI）。"),
                               QStringLiteral("[FILE.ini]"));
  if (!parser.parse(arguments())) {
    // A wrong option: what was wrong, and how it is used.
    std::fprintf(stderr, "travex-config: %s\n\n%s", qPrintable(parser.errorText()),
                 qPrintable(parser.helpText()));
    std::exit(2);
  }
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    parser.showHelp(EXIT_SUCCESS);
  }
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();

  const QStringList files = parser.positionalArguments();
  if (files.isEmpty()) return {};
  if (files.size() > 1) {
    std::fputs("travex-config: 最多只能给一个参数文件\n", stderr);
    std::exit(EXIT_FAILURE);
  }
  const QFileInfo info(files.first());
  if (!info.isFile() || !info.isReadable()) {
    std::fprintf(stderr, "travex-config: 无法读取参数文件“%s”\n",
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
