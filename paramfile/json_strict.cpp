#include "paramfile/json_strict.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace travex {
namespace {

using Json = nlohmann::ordered_json;

// Walks the document as the parser reads it, keeping the path to the value being read and
// the keys each open object has had so far.
class StrictWalker : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return ValueDone(); }
  bool boolean(bool) override { return ValueDone(); }
  bool number_integer(number_integer_t) override { return ValueDone(); }
  bool number_unsigned(number_unsigned_t) override { return ValueDone(); }
  bool number_float(number_float_t, const string_t&) override { return ValueDone(); }
  bool string(string_t&) override { return ValueDone(); }
  bool binary(binary_t&) override { return ValueDone(); }
  bool start_object(std::size_t) override {
    frames_.push_back({false, 0, {}, {}, false});
    return true;
  }
  bool key(string_t& key) override {
    Frame& top = frames_.back();
    if (std::find(top.keys.begin(), top.keys.end(), key) != top.keys.end()) {
      top.key = key;
      top.has_key = true;
      refusal_.fault = JsonFault::kDuplicateKey;
      refusal_.path = Path();
      return false;
    }
    top.keys.push_back(key);
    top.key = key;
    top.has_key = true;
    return true;
  }
  bool end_object() override {
    frames_.pop_back();
    return ValueDone();
  }
  bool start_array(std::size_t) override {
    frames_.push_back({true, 0, {}, {}, false});
    return true;
  }
  bool end_array() override {
    frames_.pop_back();
    return ValueDone();
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    const std::string what = e.what();
    if (what.find("ill-formed UTF-8") == std::string::npos) {
      refusal_.fault = JsonFault::kSyntax;
      refusal_.detail = JsonLibraryDetail(what);
    } else if (!frames_.empty() && !frames_.back().array && !frames_.back().has_key) {
      refusal_.fault = JsonFault::kKeyNotUtf8;
      if (frames_.size() > 1) refusal_.path = Path();
    } else {
      refusal_.fault = JsonFault::kNotUtf8;
      if (!frames_.empty()) refusal_.path = Path();
    }
    return false;
  }

  const JsonResult& refusal() const { return refusal_; }

 private:
  struct Frame {
    bool array;
    size_t index;                   // arrays: the entry being read
    std::vector<std::string> keys;  // objects: the keys so far
    std::string key;                // objects: the key whose value is being read
    bool has_key;                   // objects: a key was read, its value not yet
  };

  bool ValueDone() {
    if (frames_.empty()) return true;
    Frame& top = frames_.back();
    if (top.array) {
      ++top.index;
    } else {
      top.has_key = false;
    }
    return true;
  }

  // "arg1[3].gears[0].text": the path to the value being read.
  std::string Path() const {
    std::string path;
    for (const Frame& f : frames_) {
      if (f.array) {
        path += "[" + std::to_string(f.index) + "]";
      } else if (f.has_key || &f != &frames_.back()) {
        path += (path.empty() ? "" : ".") + f.key;
      }
    }
    return path;
  }

  std::vector<Frame> frames_;
  JsonResult refusal_;
};

}  // namespace

std::string JsonLibraryDetail(std::string_view what) {
  const size_t end = what.find("] ");
  if (what.substr(0, 16) == "[json.exception." && end != std::string_view::npos) {
    what.remove_prefix(end + 2);
  }
  std::string out;
  for (const char c : what) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out;
}

bool ParseStrictJson(std::string_view text, nlohmann::ordered_json* doc, JsonResult* refusal) {
  try {
    StrictWalker walker;
    if (!Json::sax_parse(text.begin(), text.end(), &walker)) {
      *refusal = walker.refusal();
      if (refusal->fault == JsonFault::kNone) refusal->fault = JsonFault::kSyntax;
      return false;
    }
    *doc = Json::parse(text.begin(), text.end());
    return true;
  } catch (const std::exception& e) {
    *refusal = {};
    refusal->fault = JsonFault::kSyntax;
    refusal->detail = JsonLibraryDetail(e.what());
    return false;
  }
}

}  // namespace travex
