// GUI tests with the simulated logger as the peer: the logger on a pseudo-terminal registered in
// its own port directory, the dialog pointed at it, pane texts recorded as they are drawn.
#pragma once

#include <QEvent>
#include <QObject>
#include <fstream>
#include <iterator>
#include <sstream>

#include "gui_fixture.h"
#include "params/param_image.h"
#include "support/sim_process.h"

namespace travex::gui_testing {

// Every text a status pane shows, in order: SetPaneText redraws at once, so each text is
// painted before the next can replace it.
class PaneRecorder : public QObject {
 public:
  explicit PaneRecorder(QLabel* pane) : pane_(pane) { pane_->installEventFilter(this); }
  ~PaneRecorder() override { pane_->removeEventFilter(this); }
  PaneRecorder(const PaneRecorder&) = delete;
  PaneRecorder& operator=(const PaneRecorder&) = delete;

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == pane_ && e->type() == QEvent::Paint) {
      const std::string text = pane_->text().toStdString();
      if (texts.empty() || texts.back() != text) texts.push_back(text);
    }
    return false;
  }

  std::vector<std::string> texts;

 private:
  QLabel* pane_;
};

class SimGuiTest : public GuiTest {
 protected:
  // Starts the logger with the given options and opens the dialog on its port, the only
  // port in the list.
  void StartWithLogger(std::vector<std::string> args) {
    args.insert(args.end(), {"--com", "3", "--log", sim_.Path("frames.log"), "--state",
                             sim_.Path("state.bin")});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    sim_.ExportPortDir();
    port_dir_ = sim_.port_dir();
    PinPortsExcept({sim_.com_number()});
    OpenDialog();
    ASSERT_EQ(ComboText(IDC_PORT), "COM" + std::to_string(sim_.com_number()));
  }

  // "测试波特率", then the panes it leaves.
  void TestBaud() {
    Click(IDC_TEST_BAUD);
    QTest::qWait(50);
  }

  bool WaitForPane(int pane, const std::string& text, int timeout_ms = 20000) {
    return QTest::qWaitFor([&] { return Pane(pane) == text; }, timeout_ms);
  }

  // Parameter requests the logger received so far (frames starting 0x55).
  int RequestsLogged() {
    std::ifstream log(sim_.Path("frames.log"));
    int count = 0;
    for (std::string line; std::getline(log, line);) {
      if (line.find(" RX 55 ") != std::string::npos) ++count;
    }
    return count;
  }

  // The logger's image as it saves it (after every accepted write and when it ends).
  bool LoggerImage(ParamImage* image) {
    std::ifstream in(sim_.Path("state.bin"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != kImageBytes) return false;
    DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), image);
    return true;
  }

  testing::SimProcess sim_;
};

inline std::string FieldString(const char* field, size_t size) {
  size_t n = 0;
  while (n < size && field[n] != '\0') ++n;
  return std::string(field, n);
}

// Differences between two images in every field that travels over the line (texts up to their
// zero byte; the coefficients only when asked).
inline std::vector<std::string> TravellingDifferences(const ParamImage& a, const ParamImage& b,
                                                      bool coefficients) {
  std::vector<std::string> diffs;
  auto check = [&](bool equal, const std::string& what) {
    if (!equal) diffs.push_back(what);
  };
#define TRAVEX_STR(block, field) \
  FieldString(block.field, sizeof block.field)
  check(a.base.comm_baud == b.base.comm_baud, "comm_baud");
  check(a.base.parity == b.base.parity, "parity");
  check(a.base.rs485_poll_interval == b.base.rs485_poll_interval, "rs485_poll_interval");
  check(a.base.rs485_timeout == b.base.rs485_timeout, "rs485_timeout");
  check(a.base.rs485_retries == b.base.rs485_retries, "rs485_retries");
  check(a.base.store_interval == b.base.store_interval, "store_interval");
  check(a.base.lcd_on_time == b.base.lcd_on_time, "lcd_on_time");
  for (int ch = 0; ch < kChannelCount; ++ch) {
    const std::string c = " of channel " + std::to_string(ch + 1);
    const Arg1Block& x = a.arg1[ch];
    const Arg1Block& y = b.arg1[ch];
    check(x.alarm_value == y.alarm_value, "alarm_value" + c);
    check(TRAVEX_STR(x, alarm_text) == TRAVEX_STR(y, alarm_text), "alarm_text" + c);
    check(TRAVEX_STR(x, normal_text) == TRAVEX_STR(y, normal_text), "normal_text" + c);
    for (int g = 0; g < kGearCount; ++g) {
      check(x.gears[g].value == y.gears[g].value, "gear value" + c);
      check(TRAVEX_STR(x.gears[g], text) == TRAVEX_STR(y.gears[g], text), "gear text" + c);
    }
    const Arg2Block& p = a.arg2[ch];
    const Arg2Block& q = b.arg2[ch];
    check(p.slave_addr == q.slave_addr && p.enabled == q.enabled && p.func_code == q.func_code &&
              p.decimals == q.decimals && p.reg_start == q.reg_start &&
              p.reg_count == q.reg_count && p.data_type == q.data_type,
          "set-2 numbers" + c);
    check(TRAVEX_STR(p, name) == TRAVEX_STR(q, name), "name" + c);
    check(TRAVEX_STR(p, unit) == TRAVEX_STR(q, unit), "unit" + c);
    if (coefficients) {
      check(a.coef[ch].coef_a == b.coef[ch].coef_a && a.coef[ch].coef_b == b.coef[ch].coef_b,
            "coefficients" + c);
    }
  }
#undef TRAVEX_STR
  return diffs;
}

}  // namespace travex::gui_testing
