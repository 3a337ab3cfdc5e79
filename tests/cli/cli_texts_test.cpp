// The English the command line gives the codes of the layers below.
#include "cli/cli_texts.h"

#include <gtest/gtest.h>

namespace travex::cli {
namespace {

JsonResult Refusal(JsonFault fault, std::string path, std::string value = {}, uint64_t size = 0,
                   uint64_t limit = 0, std::string detail = {}) {
  JsonResult r;
  r.fault = fault;
  r.path = std::move(path);
  r.value = std::move(value);
  r.size = size;
  r.limit = limit;
  r.detail = std::move(detail);
  return r;
}

TEST(CliTexts, JsonRefusalsAreWordedWithTheirPath) {
  ParamImage image{};
  EXPECT_EQ(JsonRefusalText(JsonToImage(
                "{\"format\": \"travex-parameters\", \"format_version\": 2}", &image)),
            "format_version: 2 is not supported (this tool reads 1)");
  EXPECT_EQ(JsonRefusalText(JsonToImage("[1]", &image)),
            "the document is not a JSON object, got array");
  EXPECT_EQ(JsonRefusalText(JsonToImage("{\"format\": ", &image)).rfind("JSON parse error", 0),
            0u);
  EXPECT_EQ(JsonRefusalText(Refusal(JsonFault::kTextTooLong, "arg1[3].gears[2].text", "", 13, 11)),
            "arg1[3].gears[2].text: 13 bytes do not fit the 11 of this field");
  EXPECT_EQ(JsonRefusalText(Refusal(JsonFault::kHexLength, "arg1[2].alarm_text", "\"4142\"", 0, 9)),
            "arg1[2].alarm_text: bad hex: expected a string of 18 hex digits for the 9 bytes of "
            "this field, got \"4142\"");
  EXPECT_EQ(JsonRefusalText(Refusal(JsonFault::kBadTime, "device_time", "\"2023-02-29 00:00:00\"",
                                    0, 0, "2023-02-29 00:00:00")),
            "device_time: \"2023-02-29 00:00:00\": no such day: February 2023 has 28 days");
  EXPECT_EQ(JsonRefusalText(Refusal(JsonFault::kKeyNotUtf8, "")),
            "a key of the document: not valid UTF-8");
  EXPECT_EQ(JsonRefusalText(Refusal(JsonFault::kNotUtf8, "arg2[3].name")),
            "arg2[3].name: not valid UTF-8");
}

TEST(CliTexts, StepsRatesAndPortFailuresComeFromTheTablesBelow) {
  EXPECT_EQ(StepText(9, 97, BlockOfStep(9)), "step 10 of 97 (set 1 of channel 9)");
  EXPECT_EQ(StepText(96, 97, BlockOfStep(96)), "step 97 of 97 (coefficients of channel 32)");
  EXPECT_EQ(BlockShortText(BlockOfStep(33)), "set 2 1");
  EXPECT_EQ(LinkSetRatesText(), "2400, 4800 or 9600 (or the codes 1 to 3)");
  EXPECT_EQ(LinkRatesText(), "2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200");
  OpenFailure denied;
  denied.error = 13;
  denied.reason = "Permission denied";
  denied.permission = true;
  EXPECT_EQ(OpenFailureText(denied),
            "cannot open the port: Permission denied; the user may not use serial ports: " +
                std::string(kDialoutHint));
}

}  // namespace
}  // namespace travex::cli
