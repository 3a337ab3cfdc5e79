#include "app/selector_lists.h"

#include <string>
#include <vector>

#include "app/dialog_controls.h"
#include "params/gbk.h"
#include "params/param_image.h"
#include "params/value_lists.h"
#include "resources/resource_ids.h"

namespace travex {
namespace {

// Entries are marked texts (see params/words.h); numbers such as rates are shown as they are.
void FillFromList(IDialogControls& controls, int id, ValueList list) {
  std::vector<std::string> entries;
  for (const ValueEntry& entry : list) {
    entries.push_back(Utf8ToGbk(controls.Tr("dialog", entry.text)));
  }
  controls.SetListEntries(id, entries, {});
}

void FillNumbered(IDialogControls& controls, int id, int count,
                  std::string (*text_of)(int, const IWords&)) {
  std::vector<std::string> entries;
  for (int index = 0; index < count; ++index) {
    entries.push_back(Utf8ToGbk(text_of(index, controls)));
  }
  controls.SetListEntries(id, entries, {});
}

}  // namespace

void FillSelectorLists(IDialogControls& controls) {
  FillFromList(controls, IDC_COMM_BAUD, kBaudRateList);
  FillFromList(controls, IDC_PARITY, kParityList);
  FillFromList(controls, IDC_FUNC_CODE, kFuncCodeList);
  FillFromList(controls, IDC_DECIMALS, kDecimalsList);
  FillFromList(controls, IDC_DATA_TYPE, kDataTypeList);
  FillNumbered(controls, IDC_ARG1_CHANNEL, kChannelCount, ChannelEntryText);
  FillNumbered(controls, IDC_ARG2_CHANNEL, kChannelCount, ChannelEntryText);
  FillNumbered(controls, IDC_GEAR, kGearCount, GearEntryText);
}

}  // namespace travex
