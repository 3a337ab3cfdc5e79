// CParamStore: the parameter image the tool holds and the logger's firmware version. The
// session fills it from the logger's answers and builds its requests from it
// (protocol/param_frames.h); the dialog's panels (app/param_panels.*) and the parameter file
// (paramfile/) work on it from outside. It holds nothing of a panel or a frame.
#pragma once

#include <cstdint>

#include "params/param_image.h"

namespace travex {

class CParamStore {
 public:
  CParamStore();
  virtual ~CParamStore() = default;
  CParamStore(const CParamStore&) = delete;
  CParamStore& operator=(const CParamStore&) = delete;

  ParamImage image = {};
  uint16_t fw_version = 0;
  // Read answers stored into the image so far: whoever shows the image can tell whether an
  // answer came in since it last looked.
  uint32_t answers_stored = 0;
};

}  // namespace travex
