// CPanelGatherer: reads a panel's controls into a copy of a block, control by control, with the
// panels' two rules (see param_panels.h): a control that shows exactly what the image holds is
// left alone, anything else is checked and stored. The first refused control ends the
// gathering and names the field.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "app/dialog_controls.h"
#include "app/panel_text.h"
#include "app/param_panels.h"
#include "params/value_lists.h"

namespace travex {

class CPanelGatherer {
 public:
  // `channel`: the channel gathered from (0..31), -1 for the base panel.
  CPanelGatherer(IDialogControls& controls, int channel) : c_(controls), channel_(channel) {}

  template <typename T>
  void Unsigned(int id, T* field, const char* label) {
    if (!ok()) return;
    const std::string text = c_.GetText(id);
    const uint32_t current = *field;
    if (text == std::to_string(current)) return;
    const uint32_t max = std::numeric_limits<T>::max();
    uint32_t value = 0;
    if (!TryParseDialogUnsigned(text, &value) || value > max) {
      FailRange(label, text, 0, max);
      return;
    }
    changed_ = changed_ || value != current;
    *field = static_cast<T>(value);
  }

  void Value(int id, float* field, const std::string& label);

  template <size_t N>
  void Text(int id, char (&field)[N], size_t limit) {
    if (!ok()) return;
    const std::string text = c_.GetText(id);
    if (text == FieldString(field, N)) return;
    char before[N];
    std::memcpy(before, field, N);
    StoreTextField(text, limit < N ? limit : N - 1, field);
    changed_ = changed_ || std::memcmp(before, field, N) != 0;
  }

  // A selector: an entry the operator picked (other than the one shown for the value) stores
  // the entry's code; no selection keeps the value.
  template <typename T>
  void Selection(int id, ValueList list, T* field) {
    if (!ok()) return;
    const int selected = c_.GetSelection(id);
    const int shown = IndexOfCode(list, *field);
    if (selected == shown || selected < 0 || selected >= static_cast<int>(list.size())) return;
    const T value = static_cast<T>(list[static_cast<size_t>(selected)].code);
    changed_ = changed_ || value != *field;
    *field = value;
  }

  void Check(int id, uint8_t* field);
  // The six date and time edits, as one clock count of the logger's calendar.
  void Clock(uint32_t* device_time);

  bool ok() const { return result_.ok; }
  bool changed() const { return changed_; }
  const CollectResult& result() const { return result_; }

 private:
  // `label` and `range` are marked sources, or texts in the operator's language already.
  void Fail(const std::string& label, const std::string& gbk_text, const std::string& range);
  // A whole number from `min` to `max` was expected.
  void FailRange(const std::string& label, const std::string& gbk_text, uint32_t min,
                 uint32_t max);

  IDialogControls& c_;
  int channel_;
  bool changed_ = false;
  CollectResult result_;
};

}  // namespace travex
