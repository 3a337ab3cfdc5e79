// A parameter store wired to in-memory controls whose selectors hold the lists of the dialog
// template.
#pragma once

#include <string>
#include <vector>

#include "params/gbk.h"
#include "app/param_panels.h"
#include "params/param_store.h"
#include "resources/resource_ids.h"
#include "support/fake_controls.h"

namespace travex::testing {

inline std::vector<std::string> GbkList(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& s : utf8) out.push_back(Utf8ToGbk(s));
  return out;
}

inline void SetUpTemplateLists(FakeControls& c) {
  c.SetList(IDC_COMM_BAUD,
            {"2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200"});
  c.SetList(IDC_PARITY, GbkList({"无校验", "奇校验", "偶校验"}));
  std::vector<std::string> channels;
  for (int i = 1; i <= 32; ++i) channels.push_back("通道" + std::to_string(i));
  c.SetList(IDC_ARG1_CHANNEL, GbkList(channels));
  c.SetList(IDC_ARG2_CHANNEL, GbkList(channels));
  c.SetList(IDC_GEAR, GbkList({"遥调档位1", "遥调档位2", "遥调档位3", "遥调档位4", "遥调档位5",
                               "遥调档位6", "遥调档位7", "遥调档位8", "遥调档位其他"}));
  c.SetList(IDC_FUNC_CODE, GbkList({"03功能码", "04功能码"}));
  c.SetList(IDC_DECIMALS, {"0", "1", "2", "3", "4", "5"});
  c.SetList(IDC_DATA_TYPE,
            GbkList({"16位无符号整形大端", "16位无符号整形小端", "16位有符号整形大端",
                     "16位有符号整形小端", "32位无符号整形大端", "32位无符号整形小端",
                     "32位无符号整形低word高byte", "32位有符号整形大端", "32位有符号整形小端",
                     "32位有符号整形低word高byte", "浮点型大端", "浮点型小端",
                     "浮点型低Word高Byte", "开关量", "遥调", "8位有符号"}));
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
  std::string Text(int id) { return controls.controls[id].text; }
  void Type(int id, const std::string& gbk) { controls.controls[id].text = gbk; }

  FakeControls controls;
  CParamStore store;
  CParamPanels panels{controls, store};
};

}  // namespace travex::testing
