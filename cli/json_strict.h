// Reading a JSON document more strictly than the JSON library does: a key given twice in one
// object is refused (the library would keep the last), and a refusal names where in the
// document it is ("arg2[3].name: not valid UTF-8") without echoing the bytes that were read.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace travex {

// Parses `text` into *doc. False with *error, led by the path, when it is refused.
bool ParseStrictJson(std::string_view text, nlohmann::ordered_json* doc, std::string* error);

// A message of the JSON library as this tool shows it: "JSON " instead of the library's
// "[json.exception...] ", and every byte that is not printable ASCII as \xNN.
std::string JsonLibraryMessage(std::string_view what);

}  // namespace travex
