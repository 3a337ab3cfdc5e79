#include "app/qt/config_app.h"

#include <QCommandLineParser>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "app/qt/app_icon.h"
#include "app/qt/config_dlg.h"
#include "app/qt/language.h"
#include "app/qt/tool_settings.h"
#include "app/qt/signal_closer.h"
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

// A display to show the dialog on, or a platform the operator asked for.
bool DisplayAvailable(int argc, char** argv) {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0 ||
        std::strncmp(argv[i], "-platform=", 10) == 0 || std::strncmp(argv[i], "--platform=", 11) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool CConfigApp::PrepareCommandLine(int argc, char** argv) {
  if (!DisplayAvailable(argc, argv)) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return false;
  }
  // Help, version and a wrong option are answered without a display.
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) break;
    if (arg[0] != '-' || arg[1] == '\0') continue;
    bool ours = false;
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
      ours = ours || std::strcmp(arg, option) == 0;
    }
    if (ours || !IsToolkitOption(arg)) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      break;
    }
  }
  return true;
}

namespace {

// The value of --lang (empty when not given), found before the parser, which speaks it.
QString LanguageOption(const QStringList& arguments) {
  QString value;
  for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
    if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size()) {
      value = arguments[i + 1];
    } else if (arguments[i].startsWith(QLatin1String("--lang="))) {
      value = arguments[i].mid(7);
    }
  }
  return value;
}

}  // namespace

std::string CConfigApp::ParseCommandLine() {
  language_ = std::make_unique<CLanguageSetting>(ChooseLanguage(
      LanguageOption(arguments()), LoadRememberedSettings().language, QLocale::system().name()));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      tr("Travex配置软件：通过串口读取和写入数据记录仪的全部参数，并保存为参数文件。"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption lang_option(
      QStringLiteral("lang"),
      tr("界面语言：zh（中文）或 en（英文）；默认随上次在菜单中的选择，否则随系统语言。"),
      QStringLiteral("zh|en"));
  parser.addOption(lang_option);
  parser.addPositionalArgument(QStringLiteral("FILE.ini"),
                               tr("打开后导入的参数文件（INI）。"),
                               QStringLiteral("[FILE.ini]"));
  // A usage error: what was wrong, and how it is used.
  const auto usage_error = [&parser](const QString& what) {
    std::fprintf(stderr, "travex-config: %s\n\n%s", qPrintable(what), qPrintable(parser.helpText()));
    std::exit(2);
  };
  if (!parser.parse(arguments())) usage_error(parser.errorText());
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    parser.showHelp(EXIT_SUCCESS);
  }
  if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
  UiLanguage ignored = UiLanguage::kChinese;
  if (parser.isSet(lang_option) && !ParseLanguage(parser.value(lang_option), &ignored)) {
    usage_error(tr("--lang 只接受 zh 或 en"));
  }

  const QStringList files = parser.positionalArguments();
  if (files.isEmpty()) return {};
  if (files.size() > 1) usage_error(tr("只能指定一个参数文件"));
  const QFileInfo info(files.first());
  if (!info.isFile() || !info.isReadable()) {
    std::fprintf(stderr, "travex-config: %s\n",
                 qPrintable(tr("无法读取参数文件“%1”").arg(files.first())));
    std::exit(EXIT_FAILURE);
  }
  return QFile::encodeName(files.first()).toStdString();
}

int CConfigApp::InitInstance(const std::string& import_file) {
  CConfigDlg dialog;
  if (!import_file.empty()) {
    // Once the dialog is on screen, so that whatever the import reports has it as its parent.
    QTimer::singleShot(0, &dialog, [&dialog, &import_file] {
      ImportNamedParamFile(dialog, import_file);
    });
  }
  // A signal closes as the close box does, without the question: threads, then the port and
  // its lock, then a message box or file dialog open now (its answer counts as no), then the
  // dialog.
  CSignalCloser closer([&dialog] {
    dialog.Shutdown();
    while (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      if (box == &dialog) break;
      box->reject();
    }
    dialog.done(0);
  });
  dialog.exec();  // the result is not looked at
  dialog.Shutdown();
  return 0;
}

void ImportNamedParamFile(CConfigDlg& dialog, const std::string& path) {
  dialog.core().ImportFile(path);
}

}  // namespace travex
