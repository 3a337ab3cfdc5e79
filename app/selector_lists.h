// The entries of the dialog's fixed selectors, filled in from the value lists: rate, parity,
// function code, decimals, data type, the two channel selectors and the gear selector.
#pragma once

namespace travex {

class IDialogControls;

// Replaces the entries of every fixed selector (GBK, as every control text); none is selected.
void FillSelectorLists(IDialogControls& controls);

}  // namespace travex
