#include "serial/globals.h"

namespace travex {

// Defined together, in this order: constructed port first, destroyed ring first.
CComPort g_com_port;
CRxRing g_rx_ring{&g_com_port};

}  // namespace travex
