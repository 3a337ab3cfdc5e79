#include "cli/image_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/clock_choice.h"
#include "cli/json_strict.h"
#include "paramfile/param_file.h"
#include "params/field_table.h"
#include "params/gbk.h"

namespace travex {
namespace {

// Objects keep their keys in the order written, so the document reads in image order.
using Json = nlohmann::ordered_json;

std::string_view ArrayKey(FieldBlock block) {
  switch (block) {
    case FieldBlock::kArg1: return "arg1";
    case FieldBlock::kArg2: return "arg2";
    case FieldBlock::kCoef: return "coef";
    default: return {};
  }
}

constexpr std::string_view kGearsKey = "gears";
constexpr FieldBlock kChannelBlocks[] = {FieldBlock::kArg1, FieldBlock::kArg2, FieldBlock::kCoef};

bool IsClock(const FieldInfo& f) {
  return f.block == FieldBlock::kBase && f.member == "device_time";
}

std::string FieldHex(const ParamImage& image, const FieldInfo& f) {
  uint8_t bytes[32];
  GetFieldBytes(image, f, bytes);
  return BytesToHexText(bytes, f.width);
}

// --- writing ---

// The shortest text of a float; a negative zero keeps a decimal point, since "-0" reads as
// the integer 0. A float that is a large integer comes out as exactly that integer
// ("123456792"), which the reader takes as exact.
std::string FloatJsonText(float value) {
  if (value == 0 && std::signbit(value)) return "-0.0";
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// True when the text of a float reads back (decimal to double, double to float, as the reader
// takes numbers) as exactly the same bits.
bool FloatTextRoundTrips(float value) {
  if (!std::isfinite(value)) return false;
  const std::string text = FloatJsonText(value);
  double d = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), d);
  if (result.ec != std::errc()) return false;
  const float back = static_cast<float>(d);
  return std::memcmp(&back, &value, sizeof back) == 0;
}

bool TextFitsString(const ParamImage& image, const FieldInfo& f) {
  if (FieldHasHiddenBytes(image, f)) return false;
  const std::string gbk = GetFieldText(image, f);
  return IsCleanGbk(gbk) && Utf8ToGbk(GbkToUtf8(gbk)) == gbk;
}

Json FieldToJson(const ParamImage& image, const FieldInfo& f) {
  switch (f.kind) {
    case FieldKind::kText:
      if (TextFitsString(image, f)) return GbkToUtf8(GetFieldText(image, f));
      break;
    case FieldKind::kF32: {
      const float v = GetFieldFloat(image, f);
      if (FloatTextRoundTrips(v)) return static_cast<double>(v);
      break;
    }
    default:
      if (IsClock(f)) return FormatDeviceTime(GetFieldUnsigned(image, f));
      return GetFieldUnsigned(image, f);
  }
  Json hex = Json::object();
  hex["hex"] = FieldHex(image, f);
  return hex;
}

Json& RecordFor(Json& doc, const FieldInfo& f) {
  if (f.block == FieldBlock::kBase) return doc;
  Json& record = doc[std::string(ArrayKey(f.block))][static_cast<size_t>(f.channel)];
  if (f.gear == kNoGear) return record;
  return record[std::string(kGearsKey)][static_cast<size_t>(f.gear)];
}

// Small objects of plain values (a gear, a coefficient pair, a hex form) go on one line.
bool IsFlat(const Json& v) {
  if (!v.is_object() || v.size() > 3) return false;
  return std::all_of(v.begin(), v.end(),
                     [](const Json& m) { return !m.is_structured() || IsFlat(m); });
}

void Serialize(const Json& v, size_t depth, std::string* out) {
  const std::string pad(2 * (depth + 1), ' ');
  const std::string close_pad(2 * depth, ' ');
  if (v.is_object()) {
    const bool flat = IsFlat(v);
    *out += flat ? "{" : "{\n";
    size_t i = 0;
    for (auto it = v.begin(); it != v.end(); ++it, ++i) {
      if (i != 0) *out += flat ? ", " : ",\n";
      if (!flat) *out += pad;
      *out += Json(it.key()).dump();
      *out += ": ";
      Serialize(it.value(), depth + 1, out);
    }
    if (!flat) *out += "\n" + close_pad;
    *out += '}';
  } else if (v.is_array()) {
    *out += "[\n";
    for (size_t i = 0; i < v.size(); ++i) {
      if (i != 0) *out += ",\n";
      *out += pad;
      Serialize(v[i], depth + 1, out);
    }
    *out += "\n" + close_pad + "]";
  } else if (v.is_number_float()) {
    // Every float of the document is a field's float, widened exactly.
    *out += FloatJsonText(static_cast<float>(v.get<double>()));
  } else {
    *out += v.dump();
  }
}

// --- reading ---

// From here on a double rounds to an infinite float: halfway between FLT_MAX and 2^128.
constexpr double kFloatLimit = 0x1.ffffffp127;

class Reader {
 public:
  explicit Reader(const Json& doc) : doc_(doc) {}

  bool Read(ParamImage* image) {
    const std::vector<FieldInfo> fields = ImageFields();
    CollectKeys(fields);
    if (!CheckFormat() || !CheckKeys(doc_, "", keys_.base)) return false;
    for (FieldBlock block : kChannelBlocks) {
      if (!CheckChannels(block)) return false;
    }
    for (const FieldInfo& f : fields) {
      const Json& record = Record(f);
      const auto it = record.find(std::string(f.member));
      if (it == record.end()) return Fail(f.name, "missing");
      if (!ReadField(*it, f, image)) return false;
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  // The keys each kind of record may hold, taken from the field table.
  struct Keys {
    std::vector<std::string> base{"format", "format_version"};
    std::vector<std::string> arg1;
    std::vector<std::string> gear;
    std::vector<std::string> arg2;
    std::vector<std::string> coef;
  };

  void CollectKeys(const std::vector<FieldInfo>& fields) {
    for (const FieldInfo& f : fields) {
      if (f.channel > 0 || f.gear > 0) continue;  // channel 0, gear 0 stand for all
      std::string key(f.member);
      if (f.gear == 0) {
        keys_.gear.push_back(key);
        continue;
      }
      switch (f.block) {
        case FieldBlock::kBase: keys_.base.push_back(key); break;
        case FieldBlock::kArg1: keys_.arg1.push_back(key); break;
        case FieldBlock::kArg2: keys_.arg2.push_back(key); break;
        case FieldBlock::kCoef: keys_.coef.push_back(key); break;
      }
    }
    keys_.arg1.emplace_back(kGearsKey);
    for (FieldBlock block : kChannelBlocks) keys_.base.emplace_back(ArrayKey(block));
  }

  bool Fail(const std::string& path, const std::string& what) {
    error_ = path.empty() ? what : path + ": " + what;
    return false;
  }

  static std::string Join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
  }

  static std::string Got(const Json& v) { return std::string(", got ") + v.type_name(); }

  bool CheckKeys(const Json& object, const std::string& path,
                 const std::vector<std::string>& allowed) {
    if (!object.is_object()) return Fail(path, "expected an object" + Got(object));
    for (auto it = object.begin(); it != object.end(); ++it) {
      if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end()) {
        return Fail(Join(path, it.key()), "unknown field");
      }
    }
    return true;
  }

  bool CheckFormat() {
    if (!doc_.is_object()) return Fail("", "the document is not a JSON object" + Got(doc_));
    const auto format = doc_.find("format");
    if (format == doc_.end()) return Fail("format", "missing");
    if (!format->is_string() || format->get_ref<const std::string&>() != kJsonFormat) {
      return Fail("format", format->dump() + " is not \"" + std::string(kJsonFormat) + "\"");
    }
    const auto version = doc_.find("format_version");
    if (version == doc_.end()) return Fail("format_version", "missing");
    if (!version->is_number_unsigned() || version->get<uint64_t>() != kJsonFormatVersion) {
      return Fail("format_version", version->dump() + " is not supported (this tool reads " +
                                        std::to_string(kJsonFormatVersion) + ")");
    }
    return true;
  }

  // A member that must be an array of `count` entries.
  const Json* Array(const Json& object, const std::string& path, std::string_view key,
                    size_t count) {
    const std::string where = Join(path, key);
    const auto it = object.find(std::string(key));
    if (it == object.end()) {
      Fail(where, "missing");
      return nullptr;
    }
    if (!it->is_array()) {
      Fail(where, "expected an array of " + std::to_string(count) + " entries" + Got(*it));
      return nullptr;
    }
    if (it->size() != count) {
      Fail(where, std::to_string(it->size()) + " entries, expected " + std::to_string(count));
      return nullptr;
    }
    return &*it;
  }

  bool CheckChannels(FieldBlock block) {
    const std::string_view key = ArrayKey(block);
    const Json* channels = Array(doc_, "", key, kChannelCount);
    if (channels == nullptr) return false;
    const std::vector<std::string>& allowed = block == FieldBlock::kArg1   ? keys_.arg1
                                              : block == FieldBlock::kArg2 ? keys_.arg2
                                                                           : keys_.coef;
    for (size_t c = 0; c < channels->size(); ++c) {
      const std::string path = std::string(key) + "[" + std::to_string(c) + "]";
      const Json& record = (*channels)[c];
      if (!CheckKeys(record, path, allowed)) return false;
      if (block != FieldBlock::kArg1) continue;
      const Json* gears = Array(record, path, kGearsKey, kGearCount);
      if (gears == nullptr) return false;
      for (size_t k = 0; k < gears->size(); ++k) {
        const std::string gear_path = Join(path, kGearsKey) + "[" + std::to_string(k) + "]";
        if (!CheckKeys((*gears)[k], gear_path, keys_.gear)) return false;
      }
    }
    return true;
  }

  // The object that holds a field; its shape was checked by CheckChannels.
  const Json& Record(const FieldInfo& f) const {
    if (f.block == FieldBlock::kBase) return doc_;
    const Json& record =
        doc_.find(std::string(ArrayKey(f.block)))->at(static_cast<size_t>(f.channel));
    if (f.gear == kNoGear) return record;
    return record.find(std::string(kGearsKey))->at(static_cast<size_t>(f.gear));
  }

  bool ReadField(const Json& v, const FieldInfo& f, ParamImage* image) {
    if (v.is_object()) return ReadHex(v, f, image);
    switch (f.kind) {
      case FieldKind::kText: return ReadText(v, f, image);
      case FieldKind::kF32: return ReadFloat(v, f, image);
      default: return ReadUnsigned(v, f, image);
    }
  }

  bool ReadHex(const Json& v, const FieldInfo& f, ParamImage* image) {
    const auto it = v.find("hex");
    if (v.size() != 1 || it == v.end()) {
      return Fail(f.name, "an object here must be {\"hex\": \"...\"} and nothing else");
    }
    const size_t digits = 2 * size_t{f.width};
    if (!it->is_string() || it->get_ref<const std::string&>().size() != digits) {
      return Fail(f.name, "bad hex: expected a string of " + std::to_string(digits) +
                              " hex digits for the " + std::to_string(f.width) +
                              " bytes of this field, got " + it->dump());
    }
    const std::string& hex = it->get_ref<const std::string&>();
    uint8_t bytes[32];
    for (size_t i = 0; i < f.width; ++i) {
      const auto result = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, bytes[i], 16);
      if (result.ec != std::errc() || result.ptr != hex.data() + 2 * i + 2) {
        return Fail(f.name, "bad hex: \"" + hex.substr(2 * i, 2) + "\" is not a hex byte");
      }
    }
    SetFieldBytes(image, f, bytes);
    return true;
  }

  bool ReadText(const Json& v, const FieldInfo& f, ParamImage* image) {
    if (!v.is_string()) return Fail(f.name, "expected a text" + Got(v));
    const std::string& utf8 = v.get_ref<const std::string&>();
    const std::string gbk = Utf8ToGbk(utf8);
    // The conversion turns what GBK cannot hold into '?'.
    if (std::count(gbk.begin(), gbk.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
      return Fail(f.name, v.dump() + " holds characters that GBK cannot hold");
    }
    if (gbk.find('\0') != std::string::npos) return Fail(f.name, "a text cannot hold a zero byte");
    const size_t capacity = FieldTextCapacity(f);
    if (gbk.size() > capacity) {
      return Fail(f.name, std::to_string(gbk.size()) + " bytes do not fit the " +
                              std::to_string(capacity) + " of this field");
    }
    SetFieldText(image, f, gbk);
    return true;
  }

  bool Inexact(const Json& v, const FieldInfo& f) {
    return Fail(f.name, v.dump() + " is an integer that a 32-bit float cannot hold exactly");
  }

  bool ReadFloat(const Json& v, const FieldInfo& f, ParamImage* image) {
    float value = 0;
    if (v.is_number_unsigned()) {
      // An integer is taken as exactly that number, never rounded to a neighbour.
      const uint64_t n = v.get<uint64_t>();
      value = static_cast<float>(n);
      if (!(value < 0x1p64f) || static_cast<uint64_t>(value) != n) return Inexact(v, f);
    } else if (v.is_number_integer()) {
      const int64_t n = v.get<int64_t>();
      value = static_cast<float>(n);
      if (!(value < 0x1p63f) || static_cast<int64_t>(value) != n) return Inexact(v, f);
    } else if (v.is_number_float()) {
      const double d = v.get<double>();
      if (!(std::fabs(d) < kFloatLimit))
        return Fail(f.name, v.dump() + " does not fit a 32-bit float");
      value = static_cast<float>(d);
      if (value == 0 && d != 0) return Fail(f.name, v.dump() + " does not fit a 32-bit float");
    } else {
      return Fail(f.name, "expected a number" + Got(v));
    }
    SetFieldFloat(image, f, value);
    return true;
  }

  bool ReadUnsigned(const Json& v, const FieldInfo& f, ParamImage* image) {
    const uint32_t max = FieldMaxValue(f);
    const std::string range = " is out of range 0.." + std::to_string(max);
    uint32_t value = 0;
    if (IsClock(f) && v.is_string()) {
      const std::string& text = v.get_ref<const std::string&>();
      if (!ParseDeviceTime(text, &value)) {
        return Fail(f.name, v.dump() + ": " + cli::DeviceTimeProblem(text));
      }
    } else if (v.is_number_unsigned()) {
      if (v.get<uint64_t>() > max) return Fail(f.name, v.dump() + range);
      value = static_cast<uint32_t>(v.get<uint64_t>());
    } else if (v.is_number_integer()) {
      return Fail(f.name, v.dump() + range);  // negative
    } else if (v.is_number_float()) {
      const double d = v.get<double>();
      if (std::trunc(d) != d) return Fail(f.name, v.dump() + " is not an integer");
      if (d < 0 || d > max) return Fail(f.name, v.dump() + range);
      value = static_cast<uint32_t>(d);
    } else {
      return Fail(
          f.name,
          std::string(IsClock(f) ? "expected a time or a number" : "expected a number") + Got(v));
    }
    SetFieldUnsigned(image, f, value);
    return true;
  }

  const Json& doc_;
  Keys keys_;
  std::string error_;
};

}  // namespace

JsonResult ImageToJson(const ParamImage& image, std::string* json) {
  try {
    Json doc = Json::object();
    doc["format"] = kJsonFormat;
    doc["format_version"] = kJsonFormatVersion;
    for (const FieldInfo& f : ImageFields())
      RecordFor(doc, f)[std::string(f.member)] = FieldToJson(image, f);
    std::string text;
    Serialize(doc, 0, &text);
    text += '\n';
    *json = std::move(text);
    return {true, {}};
  } catch (const std::exception& e) {
    return {false, JsonLibraryMessage(e.what())};
  }
}

JsonResult JsonToImage(std::string_view json, ParamImage* image) {
  try {
    Json doc;
    std::string error;
    if (!ParseStrictJson(json, &doc, &error)) return {false, error};
    ParamImage read{};
    Reader reader(doc);
    if (!reader.Read(&read)) return {false, reader.error()};
    *image = read;
    return {true, {}};
  } catch (const std::exception& e) {
    return {false, JsonLibraryMessage(e.what())};
  }
}

}  // namespace travex
