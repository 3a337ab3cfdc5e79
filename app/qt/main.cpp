// travex-config: the configuration tool for the data logger.
#include "app/qt/config_app.h"
#include "serial/globals.h"

int main(int argc, char** argv) {
  travex::CConfigApp app(argc, argv);
  return app.InitInstance(travex::g_com_port, travex::g_rx_ring);
}
