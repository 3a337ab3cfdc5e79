// The JSON form of the image: writing it.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>

#include "paramfile/image_json.h"
#include "paramfile/image_json_form.h"
#include "paramfile/json_strict.h"
#include "paramfile/param_file.h"
#include "params/gbk.h"

namespace travex {
namespace {

using json_form::Json;

std::string FieldHex(const ParamImage& image, const FieldInfo& f) {
  uint8_t bytes[32];
  GetFieldBytes(image, f, bytes);
  return BytesToHexText(bytes, f.width);
}

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
      if (json_form::IsClock(f)) return FormatDeviceTime(GetFieldUnsigned(image, f));
      return GetFieldUnsigned(image, f);
  }
  Json hex = Json::object();
  hex["hex"] = FieldHex(image, f);
  return hex;
}

Json& RecordFor(Json& doc, const FieldInfo& f) {
  if (f.block == FieldBlock::kBase) return doc;
  Json& record = doc[std::string(json_form::ArrayKey(f.block))][static_cast<size_t>(f.channel)];
  if (f.gear == kNoGear) return record;
  return record[std::string(json_form::kGearsKey)][static_cast<size_t>(f.gear)];
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
    JsonResult done;
    done.ok = true;
    return done;
  } catch (const std::exception& e) {
    JsonResult failed;
    failed.fault = JsonFault::kInternal;
    failed.detail = JsonLibraryDetail(e.what());
    return failed;
  }
}

}  // namespace travex
