// The one serial port and the one receive ring of the program. The port is constructed first
// and destroyed last; the ring's Clear also empties the port's input queue. Whoever starts the
// reader (or any other thread using them) stops and joins it before the program ends.
#pragma once

#include "serial/com_port.h"
#include "serial/rx_ring.h"

namespace travex {

extern CComPort g_com_port;
extern CRxRing g_rx_ring;

}  // namespace travex
