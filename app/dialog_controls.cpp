#include "app/dialog_controls.h"

#include <string>

namespace travex {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool TryParseDialogUnsigned(std::string_view text, uint32_t* value) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) return false;
  uint64_t number = 0;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<uint32_t>(number);
  return true;
}

uint32_t ParseDialogUnsigned(std::string_view text) {
  uint32_t value = 0;
  return TryParseDialogUnsigned(text, &value) ? value : 0;
}

uint32_t IDialogControls::GetUnsigned(int id) { return ParseDialogUnsigned(GetText(id)); }

void IDialogControls::SetUnsigned(int id, uint32_t value) { SetText(id, std::to_string(value)); }

void IDialogControls::SetStatusTexts(std::string_view pane0, std::string_view pane1,
                                     std::string_view pane2, std::string_view pane3) {
  SetPaneText(0, pane0);
  SetPaneText(1, pane1);
  SetPaneText(2, pane2);
  SetPaneText(3, pane3);
}

}  // namespace travex
