#include "app/panel_show.h"

#include <string>

namespace travex {

void ShowSelector(IDialogControls& c, int id, ValueList list, uint32_t value) {
  if (const int index = IndexOfCode(list, value); index >= 0) {
    c.SetSelection(id, index);
  } else {
    c.SetUnlistedValue(id, FillIn(c.Tr("dialog", "值 %1，不在列表中"), {std::to_string(value)}));
  }
}

}  // namespace travex
