// GUI tests with the simulated logger as the peer: the logger on a pseudo-terminal registered in
// its own port directory, the dialog pointed at it, pane texts recorded as they are drawn.
#pragma once

#include <QEvent>
#include <QObject>
#include <QProgressBar>
#include <fstream>
#include <iterator>
#include <sstream>

#include "gui_fixture.h"
#include "params/param_image.h"
#include "support/sim_process.h"
#include "support/image_compare.h"

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
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog_->core().SearchInProgress(); }, 20000));
  }

  bool WaitForPane(int pane, const std::string& text, int timeout_ms = 20000) {
    return QTest::qWaitFor([&] { return Pane(pane) == text; }, timeout_ms);
  }

  // What a read-all cut by a lost line leaves: the loss in panes 0 and 3, the port closed, the
  // run over, and the bar failed with the steps reached out of `steps`.
  void ExpectReadAllEndedByDeviceLoss(int steps) {
    ASSERT_TRUE(WaitForPane(0, "设备已断开", 5000)) << Pane(0);
    EXPECT_EQ(Pane(3), "设备已断开，全部读取未完成");
    EXPECT_FALSE(PortOpen());
    EXPECT_FALSE(dialog_->core().RunInProgress());
    EXPECT_EQ(dialog_->RunProgressBar()->format(), QStringLiteral("失败 %v/%m"));
    EXPECT_GE(dialog_->RunProgressBar()->value(), 2);
    EXPECT_EQ(dialog_->RunProgressBar()->maximum(), steps);
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

// Every field that travels between tool and logger and differs; the clock is left out (the
// logger's keeps ticking).
inline std::vector<std::string> TravellingDifferences(const ParamImage& a, const ParamImage& b,
                                                      bool coefficients) {
  return testing::FieldDifferences(a, b, {.clock = false, .coefficients = coefficients});
}

}  // namespace travex::gui_testing
