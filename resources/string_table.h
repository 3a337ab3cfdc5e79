// The string table of the configuration tool, keyed by the IDS_* ids of resource_ids.h.
#pragma once

#include <string_view>

#include "params/words.h"
#include "resources/resource_ids.h"

namespace travex {

// The text of a string resource (UTF-8, a marked source: see params/words.h); empty for an id
// that has no entry.
constexpr std::string_view LoadResourceString(int id) {
  switch (id) {
    case IDS_ABOUT_ENTRY: return TRAVEX_TEXT("dialog", "关于 Travex配置软件(&A)...");
    case IDS_STATUS1: return "485Status1";
    case IDS_STATUS2: return "485Status2";
    case IDS_STATUS3: return "485Status3";
    case IDS_STATUS4: return "485Status4";
    default: return {};
  }
}

}  // namespace travex
