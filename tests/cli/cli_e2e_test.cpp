// travex-cli as a user runs it: the program as a child process against simulated loggers on a
// private port directory. Exit codes, messages, files and what the loggers end up holding.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "paramfile/demo_image.h"
#include "paramfile/image_json.h"
#include "paramfile/image_report.h"
#include "paramfile/param_file.h"
#include "paramfile/temp_folder.h"
#include "params/field_table.h"
#include "serial/com_port.h"

namespace travex {
namespace {

TEST_F(CliTest, FilesAreConvertedShownAndComparedAndBadOnesRefused) {
  auto r = Cli({"convert", File("demo.ini"), File("demo.json")});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Cli({"convert", File("demo.json"), File("back.ini")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(File("demo.ini")), ReadWholeFile(File("back.ini")));

  r = Cli({"show", "--json", File("demo.ini")});
  ParamImage shown{};
  EXPECT_TRUE(JsonToImage(r.out, &shown).ok);
  EXPECT_EQ(Differences(shown, testing::DemoImage()), "");
  r = Cli({"show", File("demo.json")});
  EXPECT_TRUE(Has(r.out, "arg2[4].data_type       11 (浮点型小端)")) << r.out;

  ParamImage changed = testing::DemoImage();
  changed.arg2[4].slave_addr = 18;
  changed.base.device_time += 60;
  std::string error;
  ASSERT_TRUE(SaveParamFile(File("changed.ini"), changed, &error));
  EXPECT_EQ(Cli({"diff", File("demo.ini"), File("back.ini")}).status, 0);
  r = Cli({"diff", File("demo.ini"), File("changed.ini")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "arg2[4].slave_addr: 5 -> 18\n");
  EXPECT_TRUE(Has(Cli({"diff", "--device-time", File("demo.ini"), File("changed.ini")}).out,
                  "device_time: 2024-02-29 08:30:00 -> 2024-02-29 08:31:00"));

  // A damaged INI file, a JSON document with a value out of range, a missing file: refused,
  // and nothing is written.
  std::string text = ReadWholeFile(File("demo.ini"));
  const size_t digit = text.find("arg2=") + 9;
  text[digit] = text[digit] == '0' ? '1' : '0';
  WriteWholeFile(File("damaged.ini"), text);
  r = Cli({"convert", File("damaged.ini"), File("damaged.json")});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Has(r.err, "damaged.ini: the CRC check failed (section ARG2)")) << r.err;
  std::string json = ReadWholeFile(File("demo.json"));
  json.replace(json.find("\"slave_addr\": 1"), 15, "\"slave_addr\": 300");
  WriteWholeFile(File("range.json"), json);
  r = Cli({"convert", File("range.json"), File("range.ini")});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Has(r.err, "range.json: refused: arg2[0].slave_addr: 300")) << r.err;
  r = Cli({"show", File("none.ini")});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Has(r.err, "none.ini: No such file or directory")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(File("damaged.json")));
  EXPECT_FALSE(std::filesystem::exists(File("range.ini")));

  EXPECT_EQ(Cli({"convert", File("demo.ini"), File("demo.txt")}).status, 2);
  EXPECT_EQ(Cli({"write", "-p", "COM1", File("demo.ini"), "--clock", "2023-02-29T00:00:00"}).status,
            2);
  EXPECT_EQ(Cli({"show"}).status, 2);
}

TEST_F(CliTest, AReadFileImportsInTheDialogAndAWriteIsVerified) {
  SimProcess sim;
  std::string com =
      Start(sim, {"--demo", "--baud", "19200", "--no-pacing", "--state", File("state")});
  auto r = Cli({"search", "-p", com});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, com + " (/dev/pts/")) << r.out;
  EXPECT_TRUE(Has(r.out, ": 19200 bit/s, address 1, firmware 1.2\n")) << r.out;

  r = Cli({"read", "-p", com, "-o", File("read.ini")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "read 97 blocks into " + File("read.ini"))) << r.out;
  ParamImage read{};
  const ParamFileLoad load = LoadParamFile(File("read.ini"), &read);
  EXPECT_EQ(std::vector<SectionLoad>({load.base, load.arg1, load.arg2, load.coef}),
            std::vector<SectionLoad>(4, SectionLoad::kLoaded));
  sim.Stop();
  EXPECT_EQ(Differences(read, StateImage(File("state"))), "");
  EXPECT_EQ(Cli({"convert", File("read.ini"), File("read.json")}).status, 0);
  EXPECT_EQ(Cli({"convert", File("read.json"), File("again.ini")}).status, 0);
  EXPECT_EQ(ReadWholeFile(File("read.ini")), ReadWholeFile(File("again.ini")));

  // The same logger again: a changed file written with a fixed clock, and read back.
  com = Start(sim, {"--baud", "19200", "--no-pacing", "--state", File("state")});
  ParamImage changed = read;
  changed.coef[2].coef_a = 2.5f;
  ASSERT_TRUE(SetFieldText(&changed, *FindField("arg2[3].name"), "\xC1\xF7\xC1\xBF"));  // 流量
  ASSERT_EQ(Cli({"convert", File("read.ini"), File("changed.json")}).status, 0);
  std::string error;
  ASSERT_TRUE(SaveParamFile(File("changed.ini"), changed, &error));
  r = Cli({"write", "-p", com, "--baud", "19200", File("changed.ini"), "--clock",
           "2030-01-02T03:04:05", "--verify"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(
      Has(r.out, "wrote 97 blocks from " + File("changed.ini") + " (firmware 1.2), verified"));
  EXPECT_EQ(Cli({"diff", File("changed.ini"), "-p", com, "--baud", "19200"}).status, 0);
  r = Cli({"diff", File("changed.json"), "-p", com, "--baud", "19200"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "\" -> \"流量\"\n")) << r.out;
  EXPECT_TRUE(Has(r.out, " -> 2.5\n")) << r.out;
  sim.Stop();
  const ParamImage held = StateImage(File("state"));
  EXPECT_EQ(Differences(changed, held), "");
  uint32_t clock = 0;
  ASSERT_TRUE(ParseDeviceTime("2030-01-02 03:04:05", &clock));
  EXPECT_GE(held.base.device_time, clock);
  EXPECT_LT(held.base.device_time, clock + 30);
}

TEST_F(CliTest, SeveralLoggersInParallelGiveOneLineEachAndASummary) {
  SimProcess a, b, c;
  const std::string com_a = Start(a, {"--no-pacing"});
  const std::string com_b = Start(b, {"--no-pacing", "--fw", "0"});
  const std::string com_c = Start(c, {"--no-pacing", "--silent-after", "10"});
  auto r = Cli({"--trace", File("trace.txt"), "write", "-p", com_a + "," + com_b, "--port", com_c,
                "--baud", "9600", File("demo.ini")});
  EXPECT_EQ(r.status, 5);
  EXPECT_TRUE(Has(r.out, com_a + " (/dev/pts/")) << r.out;
  EXPECT_TRUE(Has(r.out, ": wrote 97 blocks from")) << r.out;
  EXPECT_TRUE(Has(r.out, ": wrote 65 blocks from")) << r.out;
  EXPECT_TRUE(Has(r.out, "write: 3 loggers, 2 ok, 1 failed: " + com_c +
                            " (the logger did not answer (timed out) at step 10 of 97")) << r.out;
  EXPECT_TRUE(
      Has(r.err, ": the logger did not answer (timed out) at step 10 of 97 (set 1 of channel 9)"))
      << r.err;
  EXPECT_TRUE(Has(r.err,
                  ": warning: the logger reports no firmware version: the coefficients "
                  "were not written"))
      << r.err;
  const std::string trace = ReadWholeFile(File("trace.txt"));
  for (const std::string& com : {com_a, com_b, com_c}) {
    EXPECT_TRUE(Has(trace, " " + com + " TX 53 55 35 00 00 00 02 08 00 01 00 02")) << com;
    EXPECT_TRUE(Has(trace, " " + com + " RX 10 AA 0A 00 00 00 02 00 00 C1 CC  ; write answer"))
        << com;
  }

  // With several ports -o is a folder (or a name with {port}).
  std::filesystem::create_directory(File("out"));
  r = Cli({"read", "-q", "-p", com_a + "," + com_b, "--baud", "9600", "-o", File("out")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(File("out"))) {
    const std::string name = entry.path().filename();
    EXPECT_TRUE(Has(name, "_" + com_a + ".ini") || Has(name, "_" + com_b + ".ini")) << name;
    ++files;
  }
  EXPECT_EQ(files, 2u);
  EXPECT_EQ(Cli({"read", "-p", com_a + "," + com_b, "-o", File("x.ini")}).status, 2);

  // Several documents are one: an object by COM name; the summary stays off standard output.
  r = Cli({"show", "--json", "-p", com_a + "," + com_b, "--baud", "9600"});
  EXPECT_EQ(r.status, 0) << r.err;
  const auto shown = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_TRUE(shown.is_object()) << r.out;
  ParamImage image{};
  EXPECT_TRUE(JsonToImage(shown[com_a].dump(), &image).ok);
  EXPECT_EQ(Differences(image, testing::DemoImage()), "");
  EXPECT_TRUE(Has(r.err, "show: 2 loggers, 2 ok")) << r.err;
}

TEST_F(CliTest, PortsThatCannotBeUsedAndRefusalsBeforeTheFirstFrameSendNothing) {
  SimProcess sim;
  const std::string com = Start(sim, {"--no-pacing", "--log", File("log")});
  auto r = Cli({"ports"});
  EXPECT_TRUE(Has(r.out, com + " ")) << r.out;

  r = Cli({"write", "-p", "COM60", File("demo.ini")});
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(Has(r.err, "COM60: no such port")) << r.err;
  r = Cli({"write", "-p", com, File("missing.ini")});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Has(r.err, "missing.ini: No such file or directory")) << r.err;
  {
    CComPort holder;
    holder.Configure(static_cast<uint8_t>(sim.com_number()), 8, 0, 0, 9600);
    ASSERT_NE(holder.Open(), 0);
    r = Cli({"write", "-p", sim.device(), File("demo.ini")});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(Has(r.err, com + " (" + sim.device() +
                               "): cannot open the port: it is in use by "
                               "process " +
                               std::to_string(getpid())))
        << r.err;
  }
  WriteWholeFile(File("cut.json"), "{\"format\": \"travex-parameters\", ");
  r = Cli({"write", "-p", com, File("cut.json")});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Has(r.err, "cut.json: refused: ")) << r.err;
  EXPECT_FALSE(Has(ReadWholeFile(File("log")), " RX "));

  // The logger is asked for its address, and nothing more when it is another.
  r = Cli({"write", "-p", com, "--baud", "9600", "--address", "5", File("demo.ini")});
  EXPECT_EQ(r.status, 6);
  EXPECT_TRUE(Has(r.err, ": the logger reports address 1, not 5")) << r.err;
  EXPECT_FALSE(Has(ReadWholeFile(File("log")), "RX 55"));
  EXPECT_EQ(Cli({"set-address", "-p", com, "0"}).status, 2);
  EXPECT_EQ(Cli({"set-baud", "-p", com, "19200"}).status, 2);
  EXPECT_EQ(Cli({"read", "-p", com, "--baud", "1200"}).status, 2);

  // Ports that cannot be used get their own result lines; the others are served.
  std::filesystem::create_symlink(File("gone"), Ports() + "/com61");
  r = Cli({"write", "-p", "COM60," + com + ",COM61", File("demo.ini")});
  EXPECT_EQ(r.status, 4);
  EXPECT_TRUE(Has(r.err, "COM60: no such port (")) << r.err;
  EXPECT_TRUE(Has(r.out, com + " (" + sim.device() + "): wrote 97 blocks")) << r.out;
  EXPECT_TRUE(Has(r.out, "write: 3 loggers, 1 ok, 2 failed: COM60 (no such port (no device "
                         "behind " + Ports() + "/com60, and no serial device present is left "
                         "for the number)); COM61 (no such port: the link " + Ports() +
                         "/com61 points to " + File("gone") + ", which does not exist)\n"))
      << r.out;
}

TEST_F(CliTest, ProposedNamesCarryThePortAndNeverReplaceAFile) {
  SimProcess sim;
  const std::string com = Start(sim, {"--no-pacing"});
  std::filesystem::create_directory(File("out"));
  std::vector<std::string> written;
  for (int run = 0; run < 2; ++run) {
    const auto r = Cli({"read", "-p", com, "--baud", "9600", "-o", File("out")});
    EXPECT_EQ(r.status, 0) << r.err;
    const size_t at = r.out.find(" into ") + 6;
    written.push_back(r.out.substr(at, r.out.find(" (firmware") - at));
    EXPECT_TRUE(Has(written.back(), "_" + com)) << r.out;
  }
  EXPECT_NE(written[0], written[1]);
  EXPECT_TRUE(Has(ReadWholeFile(written[0]), "[COEF]"));
  // A name given with -o is replaced, as asked.
  WriteWholeFile(File("mine.json"), "old");
  EXPECT_EQ(Cli({"read", "-p", com, "--baud", "9600", "-o", File("mine.json")}).status, 0);
  EXPECT_TRUE(Has(ReadWholeFile(File("mine.json")), "travex-parameters"));
}

TEST_F(CliTest, ACrcMismatchIsCalledSo) {
  SimProcess sim;
  const std::string com = Start(sim, {"--no-pacing", "--bad-crc", "2"});
  const auto r = Cli({"write", "-p", com, "--baud", "9600", File("demo.ini")});
  EXPECT_EQ(r.status, 5);
  EXPECT_TRUE(Has(r.err, "first at step 1 of 97 (base settings): CRC error")) << r.err;
}

TEST_F(CliTest, HelpAndUsageErrorsTellEnough) {
  auto r = Cli({"write", "--bogus"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("travex-cli: --bogus: unknown option\n", 0), 0u) << r.err;
  r = Cli({"--help"});
  for (const char* part : {"TRAVEX_PORT_DIR", "ln -s /dev/ttyUSB0 ~/.config/travex/ports/com3",
                           "/dev/ttyUSB0", "port map"}) {
    EXPECT_TRUE(Has(r.out, part)) << part;
  }
  for (const char* command : {"ports", "search", "read", "write", "show", "diff", "convert",
                              "set-time", "set-address", "set-baud"}) {
    EXPECT_TRUE(Has(Cli({command, "--help"}).out, "Examples:\n  travex-cli " +
                                                       std::string(command)))
        << command;
  }
  EXPECT_TRUE(Has(Cli({"write", "--help"}).out, "default: keep"));
  EXPECT_TRUE(Has(Cli({"diff", "--help"}).out, "exactly two sources"));
  EXPECT_TRUE(Has(Cli({"diff", File("demo.ini")}).err, "diff takes exactly two sources"));
  r = Cli({"set-time", "-p", "COM1", "2023-02-29T00:00:00"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "2023-02-29T00:00:00: no such day: February 2023 has 28 days")) << r.err;
  r = Cli({"write", "-p", "COM1", File("demo.ini"), "--clock", "1969-12-31T23:59:59"});
  EXPECT_TRUE(Has(r.err, ": outside the logger's calendar, which runs from 1970-01-01")) << r.err;
}

TEST_F(CliTest, AddressBaudRateAndClockAreSetAlone) {
  SimProcess sim;
  const std::string com = Start(sim, {"--baud", "2400", "--no-pacing", "--state", File("state")});
  auto r = Cli({"set-address", "-p", com, "9"});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Cli({"set-baud", "-p", com, "--address", "9", "4800"});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Cli({"search", "-p", com});
  EXPECT_TRUE(Has(r.out, ": 4800 bit/s, address 9, firmware 1.2")) << r.out << r.err;
  r = Cli({"set-time", "-p", com, "--baud", "4800", "2031-05-06 07:08:09"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, ": clock set to 2031-05-06 07:08:09")) << r.out;
  sim.Stop();
  uint32_t clock = 0;
  ASSERT_TRUE(ParseDeviceTime("2031-05-06 07:08:09", &clock));
  EXPECT_LE(StateImage(File("state")).base.device_time - clock, 5u);
}

TEST_F(CliTest, AnInterruptEndsTheRunAndReleasesThePort) {
  SimProcess sim;
  const std::string com = Start(sim, {"--baud", "2400"});  // paced: a write-all takes long
  const auto start = std::chrono::steady_clock::now();
  const auto r = Cli({"write", "-p", com, "--baud", "2400", File("demo.ini")}, 1000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(r.status, 130);
  EXPECT_TRUE(Has(r.err, ": cancelled at step ")) << r.err;
  CComPort port;
  port.Configure(static_cast<uint8_t>(sim.com_number()), 8, 0, 0, 2400);
  EXPECT_NE(port.Open(), 0) << port.LastError();
}

}  // namespace
}  // namespace travex
