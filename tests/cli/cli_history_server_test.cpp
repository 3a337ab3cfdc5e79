// travex-cli keeping what a logger held before a write, and reaching a logger behind a serial
// device server.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli_fixture.h"
#include "params/field_table.h"

namespace travex {
namespace {

TEST_F(CliTest, WriteWithBackupKeepsThePreviousSettingsExactlyAndTheHistoryListsThem) {
  SimProcess sim;
  std::string com = Start(sim, {"--demo", "--baud", "19200", "--no-pacing", "--state", File("state")});
  sim.Stop();
  const ParamImage before = StateImage(File("state"));
  com = Start(sim, {"--baud", "19200", "--no-pacing", "--state", File("state")});
  ParamImage changed = before;
  ASSERT_TRUE(SetFieldText(&changed, *FindField("arg2[3].name"), "\xC1\xF7"));
  std::string error;
  ASSERT_TRUE(SaveParamFile(File("changed.ini"), changed, &error));

  auto r = Cli({"write", "-p", com, File("changed.ini"), "--backup"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string kept = "the previous settings are kept in ";
  const size_t at = r.out.find(kept);
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::string backup = r.out.substr(at + kept.size(), r.out.find('\n', at) - at - kept.size());
  ParamImage held{};
  LoadParamFile(backup, &held);
  EXPECT_EQ(Differences(held, before), "");
  sim.Stop();
  EXPECT_EQ(Differences(changed, StateImage(File("state"))), "");

  r = Cli({"history", "--port", com, "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto list = nlohmann::json::parse(r.out);
  ASSERT_EQ(list.size(), 3u);  // read, before, written
  EXPECT_EQ(list[0]["kind"], "written");
  EXPECT_EQ(list[2]["kind"], "read");
  EXPECT_EQ(list[1]["kind"], "before");
  EXPECT_EQ(list[1]["file"], backup);
}

TEST_F(CliTest, ALoggerBehindAnRfc2217ServerIsReadByItsAddressAndThroughAComLink) {
  if (!Ser2NetProcess::Available()) GTEST_SKIP() << "ser2net is not installed";
  SimProcess sim;
  Start(sim, {"--demo", "--baud", "19200", "--no-pacing", "--state", File("state")});
  Ser2NetProcess server;
  ASSERT_TRUE(server.Start(sim.device(), Ser2NetProcess::kRfc2217, 9600)) << server.error();
  std::filesystem::create_symlink(server.Address(), Ports() + "/com40");

  auto r = Cli({"ports"});
  EXPECT_TRUE(Has(r.out, "COM40  " + server.Address() + " yes     network\n")) << r.out;
  r = Cli({"read", "-p", server.Address(), "-o", File("direct.ini")});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Cli({"read", "-p", "COM40", "-o", File("linked.ini")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "COM40 (" + server.Address() + "): read 97 blocks")) << r.out;
  server.Kill();
  ASSERT_EQ(sim.Stop(), 0);
  const ParamImage held = StateImage(File("state"));
  for (const char* name : {"direct.ini", "linked.ini"}) {
    ParamImage read{};
    LoadParamFile(File(name), &read);
    EXPECT_EQ(Differences(read, held), "") << name;
  }
}

}  // namespace
}  // namespace travex
