// travex-config: the configuration tool for the data logger.
#include <QCoreApplication>
#include <cstdio>

#include "app/qt/config_app.h"

int main(int argc, char** argv) {
  const bool display = travex::CConfigApp::PrepareCommandLine(argc, argv);
  travex::CConfigApp app(argc, argv);
  const std::string import_file = app.ParseCommandLine();
  if (!display) {
    const QString text = QCoreApplication::translate(
        "dialog", "没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置）");
    std::fprintf(stderr, "travex-config: %s\n", qPrintable(text));
    return 1;
  }
  return app.InitInstance(import_file);
}
