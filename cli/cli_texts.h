// The English of travex-cli: what the layers below report as codes, in words. Every text that
// names a cause the core reports stands here once.
#pragma once

#include <string>

#include "paramfile/image_json.h"

namespace travex::cli {

// Why a JSON document was refused, led by the path of the field: "parity: missing".
std::string JsonRefusalText(const JsonResult& refusal);

}  // namespace travex::cli
