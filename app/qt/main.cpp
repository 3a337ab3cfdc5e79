// travex-config: the configuration tool for the data logger.
#include "app/qt/config_app.h"
#include "serial/globals.h"

int main(int argc, char** argv) {
  travex::CConfigApp::PrepareCommandLine(argc, argv);
  travex::CConfigApp app(argc, argv);
  const std::string import_file = app.ParseCommandLine();
  return app.InitInstance(travex::g_com_port, travex::g_rx_ring, import_file);
}
