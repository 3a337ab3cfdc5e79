// The dialog on a logger behind a serial device server: the port directory links com7 to an
// RFC 2217 address of ser2net, which serves the simulated logger's pseudo-terminal.
#include <QProgressBar>

#include "sim_fixture.h"
#include "support/ser2net_process.h"

namespace travex::gui_testing {
namespace {

TEST_F(SimGuiTest, AComLinkToAnRfc2217AddressIsSearchedAndReadThroughTheServer) {
  using testing::Ser2NetProcess;
  if (!Ser2NetProcess::Available()) GTEST_SKIP() << "ser2net is not installed";
  // Answers 30 ms late, so that a read-all lasts long enough to lose the server during it.
  ASSERT_TRUE(sim_.Start({"--baud", "19200", "--demo", "--no-pacing", "--turnaround", "30",
                          "--log", sim_.Path("frames.log")}))
      << sim_.error();
  Ser2NetProcess server;
  ASSERT_TRUE(server.Start(sim_.device(), Ser2NetProcess::kRfc2217, 9600)) << server.error();
  PinPortsExcept({7});
  std::filesystem::create_symlink(server.Address(), port_dir_ / "com7");
  OpenDialog();
  ASSERT_EQ(ComboText(IDC_PORT), "COM7");
  EXPECT_EQ(Combo(IDC_PORT)->toolTip().toStdString(), server.Address());

  TestBaud();
  EXPECT_EQ(Pane(0), "设备波特率:19200");
  EXPECT_EQ(Pane(1), "设备地址：1");
  Click(IDC_BASE_READ);
  EXPECT_TRUE(WaitForPane(3, "读取成功")) << Pane(3);

  // The server goes during a read-all: a device loss, shown as for a local port.
  const int before = RequestsLogged();
  Click(IDC_READ_ALL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RequestsLogged() >= before + 3; }, 20000));
  server.Kill();
  ASSERT_NO_FATAL_FAILURE(ExpectReadAllEndedByDeviceLoss(97));
}

}  // namespace
}  // namespace travex::gui_testing
