// travex-config: the configuration tool for the data logger.
#include <cstdio>

#include "app/qt/config_app.h"

int main(int argc, char** argv) {
  const bool display = travex::CConfigApp::PrepareCommandLine(argc, argv);
  travex::CConfigApp app(argc, argv);
  const std::string import_file = app.ParseCommandLine();
  if (!display) {
    std::fputs("travex-config: 没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置）\n", stderr);
    return 1;
  }
  return app.InitInstance(import_file);
}
