// The logger's parameter image at start: a plain factory image, a demonstration image, or the
// one saved in a state file.
#pragma once

#include <string>

#include "params/param_image.h"

namespace travex::sim {

// All channels off, base settings at their factory values, clock at local time.
ParamImage FactoryImage();
// Named channels with units, alarm and gear texts, realistic base settings, clock at local time.
ParamImage DemoImage();

enum class StateLoad { kLoaded, kMissing, kFailed };
// Reads the 6804 image bytes of a state file. kMissing when the file does not exist; kFailed
// (with the reason in *error) when it cannot be read or has another size.
StateLoad LoadState(const std::string& path, ParamImage* image, std::string* error);
// Writes the image bytes to a temporary file beside path and renames it over path.
bool SaveState(const std::string& path, const ParamImage& image, std::string* error);

}  // namespace travex::sim
