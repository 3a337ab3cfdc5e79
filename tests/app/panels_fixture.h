// A parameter store wired to in-memory controls, set up as the dialog sets them up: the
// template leaves the selectors empty and the panels fill them.
#pragma once

#include <string>
#include <vector>

#include "params/gbk.h"
#include "app/param_panels.h"
#include "params/param_store.h"
#include "resources/resource_ids.h"
#include "support/fake_controls.h"

namespace travex::testing {

// The controls as the dialog template leaves them; InitParamPanels fills the selectors.
inline void SetUpTemplateLists(FakeControls& c) {
  c.controls[IDC_VERSION].text = "---";
}

struct PanelRig {
  PanelRig() {
    SetUpTemplateLists(controls);
    panels.InitParamPanels();
  }
  // What the dialog's selection-change handlers do.
  void PickArg1Channel(int index) {
    controls.SetSelection(IDC_ARG1_CHANNEL, index);
    panels.CollectArg1(static_cast<uint8_t>(controls.GetSelection(IDC_ARG1_CHANNEL)));
    panels.ShowArg1();
  }
  void PickGear(int index) {
    controls.SetSelection(IDC_GEAR, index);
    panels.CollectGear(static_cast<uint8_t>(controls.GetSelection(IDC_GEAR)));
    panels.ShowGear();
  }
  void PickArg2Channel(int index) {
    controls.SetSelection(IDC_ARG2_CHANNEL, index);
    panels.CollectArg2(static_cast<uint8_t>(controls.GetSelection(IDC_ARG2_CHANNEL)));
    panels.ShowArg2();
  }
  // What the dialog tells the panels when read answers have replaced every set-2 block.
  void AllArg2FromLogger() {
    for (int c = 0; c < kChannelCount; ++c) panels.NoteBlockStored(Arg2Ref(c));
  }
  std::string Text(int id) { return controls.controls[id].text; }
  void Type(int id, const std::string& gbk) { controls.controls[id].text = gbk; }

  FakeControls controls;
  CParamStore store;
  CParamPanels panels{controls, store};
};

}  // namespace travex::testing
