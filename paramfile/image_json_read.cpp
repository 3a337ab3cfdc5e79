// The JSON form of the image: reading it, strictly.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <vector>

#include "paramfile/image_json.h"
#include "paramfile/image_json_form.h"
#include "paramfile/json_strict.h"
#include "params/gbk.h"

namespace travex {
namespace {

using json_form::ArrayKey;
using json_form::IsClock;
using json_form::Json;
using json_form::kChannelBlocks;
using json_form::kGearsKey;

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
      if (it == record.end()) return Fail(f.name, JsonFault::kMissing);
      if (!ReadField(*it, f, image)) return false;
    }
    return true;
  }

  const JsonResult& refusal() const { return refusal_; }

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

  // Refuses the document at `path`; the returned result takes the fault's particulars.
  JsonResult& Refuse(const std::string& path, JsonFault fault) {
    refusal_.fault = fault;
    refusal_.path = path;
    return refusal_;
  }
  bool Fail(const std::string& path, JsonFault fault) {
    Refuse(path, fault);
    return false;
  }
  bool Fail(const std::string& path, JsonFault fault, const Json& value) {
    Refuse(path, fault).value = value.dump();
    return false;
  }
  bool WrongType(const std::string& path, JsonFault fault, const Json& found) {
    Refuse(path, fault).got = found.type_name();
    return false;
  }

  static std::string Join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
  }

  bool CheckKeys(const Json& object, const std::string& path,
                 const std::vector<std::string>& allowed) {
    if (!object.is_object()) return WrongType(path, JsonFault::kExpectedObject, object);
    for (auto it = object.begin(); it != object.end(); ++it) {
      if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end()) {
        return Fail(Join(path, it.key()), JsonFault::kUnknownField);
      }
    }
    return true;
  }

  bool CheckFormat() {
    if (!doc_.is_object()) return WrongType("", JsonFault::kExpectedObject, doc_);
    const auto format = doc_.find("format");
    if (format == doc_.end()) return Fail("format", JsonFault::kMissing);
    if (!format->is_string() || format->get_ref<const std::string&>() != kJsonFormat) {
      return Fail("format", JsonFault::kBadFormat, *format);
    }
    const auto version = doc_.find("format_version");
    if (version == doc_.end()) return Fail("format_version", JsonFault::kMissing);
    if (!version->is_number_unsigned() || version->get<uint64_t>() != kJsonFormatVersion) {
      return Fail("format_version", JsonFault::kUnsupportedVersion, *version);
    }
    return true;
  }

  // A member that must be an array of `count` entries.
  const Json* Array(const Json& object, const std::string& path, std::string_view key,
                    size_t count) {
    const std::string where = Join(path, key);
    const auto it = object.find(std::string(key));
    if (it == object.end()) {
      Fail(where, JsonFault::kMissing);
      return nullptr;
    }
    if (!it->is_array()) {
      WrongType(where, JsonFault::kExpectedArray, *it);
      refusal_.limit = count;
      return nullptr;
    }
    if (it->size() != count) {
      JsonResult& refusal = Refuse(where, JsonFault::kArrayLength);
      refusal.size = it->size();
      refusal.limit = count;
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
    if (v.size() != 1 || it == v.end()) return Fail(f.name, JsonFault::kHexForm);
    const size_t digits = 2 * size_t{f.width};
    if (!it->is_string() || it->get_ref<const std::string&>().size() != digits) {
      Fail(f.name, JsonFault::kHexLength, *it);
      refusal_.limit = f.width;
      return false;
    }
    const std::string& hex = it->get_ref<const std::string&>();
    uint8_t bytes[32];
    for (size_t i = 0; i < f.width; ++i) {
      const auto result = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, bytes[i], 16);
      if (result.ec != std::errc() || result.ptr != hex.data() + 2 * i + 2) {
        Refuse(f.name, JsonFault::kHexByte).detail = hex.substr(2 * i, 2);
        return false;
      }
    }
    SetFieldBytes(image, f, bytes);
    return true;
  }

  bool ReadText(const Json& v, const FieldInfo& f, ParamImage* image) {
    if (!v.is_string()) return WrongType(f.name, JsonFault::kExpectedText, v);
    const std::string& utf8 = v.get_ref<const std::string&>();
    const std::string gbk = Utf8ToGbk(utf8);
    // The conversion turns what GBK cannot hold into '?'.
    if (std::count(gbk.begin(), gbk.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
      return Fail(f.name, JsonFault::kNotGbk, v);
    }
    if (gbk.find('\0') != std::string::npos) return Fail(f.name, JsonFault::kZeroByte);
    const size_t capacity = FieldTextCapacity(f);
    if (gbk.size() > capacity) {
      JsonResult& refusal = Refuse(f.name, JsonFault::kTextTooLong);
      refusal.size = gbk.size();
      refusal.limit = capacity;
      return false;
    }
    SetFieldText(image, f, gbk);
    return true;
  }

  bool ReadFloat(const Json& v, const FieldInfo& f, ParamImage* image) {
    float value = 0;
    if (v.is_number_unsigned()) {
      // An integer is taken as exactly that number, never rounded to a neighbour.
      const uint64_t n = v.get<uint64_t>();
      value = static_cast<float>(n);
      if (!(value < 0x1p64f) || static_cast<uint64_t>(value) != n) {
        return Fail(f.name, JsonFault::kInexactInteger, v);
      }
    } else if (v.is_number_integer()) {
      const int64_t n = v.get<int64_t>();
      value = static_cast<float>(n);
      if (!(value < 0x1p63f) || static_cast<int64_t>(value) != n) {
        return Fail(f.name, JsonFault::kInexactInteger, v);
      }
    } else if (v.is_number_float()) {
      const double d = v.get<double>();
      if (!(std::fabs(d) < kFloatLimit)) return Fail(f.name, JsonFault::kFloatOutOfRange, v);
      value = static_cast<float>(d);
      if (value == 0 && d != 0) return Fail(f.name, JsonFault::kFloatOutOfRange, v);
    } else {
      return WrongType(f.name, JsonFault::kExpectedNumber, v);
    }
    SetFieldFloat(image, f, value);
    return true;
  }

  bool OutOfRange(const Json& v, const FieldInfo& f, uint32_t max) {
    Fail(f.name, JsonFault::kOutOfRange, v);
    refusal_.limit = max;
    return false;
  }

  bool ReadUnsigned(const Json& v, const FieldInfo& f, ParamImage* image) {
    const uint32_t max = FieldMaxValue(f);
    uint32_t value = 0;
    if (IsClock(f) && v.is_string()) {
      const std::string& text = v.get_ref<const std::string&>();
      if (!ParseDeviceTime(text, &value)) {
        Fail(f.name, JsonFault::kBadTime, v);
        refusal_.detail = text;
        return false;
      }
    } else if (v.is_number_unsigned()) {
      if (v.get<uint64_t>() > max) return OutOfRange(v, f, max);
      value = static_cast<uint32_t>(v.get<uint64_t>());
    } else if (v.is_number_integer()) {
      return OutOfRange(v, f, max);  // negative
    } else if (v.is_number_float()) {
      const double d = v.get<double>();
      if (std::trunc(d) != d) return Fail(f.name, JsonFault::kNotInteger, v);
      if (d < 0 || d > max) return OutOfRange(v, f, max);
      value = static_cast<uint32_t>(d);
    } else {
      return WrongType(f.name, IsClock(f) ? JsonFault::kExpectedTimeOrNumber
                                          : JsonFault::kExpectedNumber,
                       v);
    }
    SetFieldUnsigned(image, f, value);
    return true;
  }

  const Json& doc_;
  Keys keys_;
  JsonResult refusal_;
};

}  // namespace

JsonResult JsonToImage(std::string_view json, ParamImage* image) {
  JsonResult result;
  try {
    Json doc;
    if (!ParseStrictJson(json, &doc, &result)) return result;
    ParamImage read{};
    Reader reader(doc);
    if (!reader.Read(&read)) return reader.refusal();
    *image = read;
    result.ok = true;
    return result;
  } catch (const std::exception& e) {
    result = {};
    result.fault = JsonFault::kInternal;
    result.detail = JsonLibraryDetail(e.what());
    return result;
  }
}

}  // namespace travex
