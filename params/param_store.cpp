#include "params/param_store.h"

#include "params/item_map.h"

namespace travex {

CParamStore::CParamStore() {
  image.base.comm_baud = 2400;
  arg2_from_tool.set();
}

void CParamStore::NoteItemStored(uint16_t id) {
  if (id < kArg2FirstItem) return;
  const unsigned channel = (id - kArg2FirstItem) / kArg2ItemsPerChannel;
  if (channel < kChannelCount) arg2_from_tool.reset(channel);
}

}  // namespace travex
