// Showing image fields in the panels' controls: a selector's entry (or, when no entry lists the
// value, a note saying which value it stands for), a fixed-width text, a float value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/dialog_controls.h"
#include "app/panel_text.h"
#include "params/value_lists.h"

namespace travex {

void ShowSelector(IDialogControls& c, int id, ValueList list, uint32_t value);

template <size_t N>
void ShowText(IDialogControls& c, int id, const char (&field)[N]) {
  c.SetText(id, FieldString(field, N));
}

inline void ShowValue(IDialogControls& c, int id, float value) {
  c.SetText(id, FormatValueText(value));
}

}  // namespace travex
