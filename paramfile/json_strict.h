// Reading a JSON document more strictly than the JSON library does: a key given twice in one
// object is refused (the library would keep the last), and a refusal names where in the
// document it is (arg2[3].name, not valid UTF-8) without keeping the bytes that were read.
// For the JSON form's own sources only: it brings in the JSON library.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "paramfile/image_json.h"

namespace travex {

// Parses `text` into *doc. False with *refusal filled in when it is refused.
bool ParseStrictJson(std::string_view text, nlohmann::ordered_json* doc, JsonResult* refusal);

// A message of the JSON library without its "[json.exception...] " lead, and every byte that
// is not printable ASCII as \xNN.
std::string JsonLibraryDetail(std::string_view what);

}  // namespace travex
