#include "params/param_store.h"

namespace travex {

CParamStore::CParamStore() { image.base.comm_baud = 2400; }

}  // namespace travex
