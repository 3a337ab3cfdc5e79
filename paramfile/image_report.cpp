#include "paramfile/image_report.h"

#include "paramfile/param_file.h"
#include "params/field_table.h"

namespace travex {
namespace {

constexpr size_t kNameColumn = 24;
constexpr size_t kValueColumn = 24;

// Terminal columns of UTF-8 text: two for the wide East Asian ranges, one for the rest.
size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? lead : lead & (0x3F >> (n - 1));
    for (size_t k = 1; k < n && i + k < utf8.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6);
    width += wide ? 2 : 1;
    i += n;
  }
  return width;
}

void AppendPadded(std::string* out, const std::string& text, size_t column) {
  *out += text;
  const size_t width = DisplayWidth(text);
  out->append(width + 2 > column ? 2 : column - width, ' ');
}

std::string HexForm(const ParamImage& image, const FieldInfo& field) {
  uint8_t bytes[32];
  GetFieldBytes(image, field, bytes);
  return "hex " + BytesToHexText(bytes, field.width);
}

}  // namespace

std::string ShowImage(const ParamImage& image) {
  std::string out;
  int channel = kNoChannel;
  for (const FieldInfo& f : ImageFields()) {
    if (f.channel != channel) {
      out += '\n';
      channel = f.channel;
    }
    AppendPadded(&out, f.name, kNameColumn);
    AppendPadded(&out, FormatFieldValue(image, f), kValueColumn);
    out += FieldCaption(f);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
  }
  return out;
}

std::vector<FieldChange> DiffImages(const ParamImage& before, const ParamImage& after,
                                    const DiffOptions& options) {
  std::vector<FieldChange> changes;
  for (const FieldInfo& f : ImageFields()) {
    if (!options.device_time && f.block == FieldBlock::kBase && f.member == "device_time") continue;
    if (SameFieldBytes(before, after, f)) continue;
    const bool text = f.kind == FieldKind::kText;
    const bool same_text = text && GetFieldText(before, f) == GetFieldText(after, f);
    if (same_text && !options.hidden_bytes) continue;
    if (same_text) {
      changes.push_back({f.name, HexForm(before, f), HexForm(after, f)});
    } else {
      changes.push_back({f.name, FormatFieldValue(before, f), FormatFieldValue(after, f)});
    }
  }
  return changes;
}

std::string FormatChanges(const std::vector<FieldChange>& changes) {
  std::string out;
  for (const FieldChange& c : changes) out += c.name + ": " + c.before + " -> " + c.after + "\n";
  return out;
}

}  // namespace travex
