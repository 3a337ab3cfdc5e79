#include "paramfile/image_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <vector>

#include "paramfile/demo_image.h"

namespace travex {
namespace {

std::vector<uint8_t> Bytes(const ParamImage& image) {
  std::vector<uint8_t> bytes(kImageBytes);
  EncodeImage(image, bytes.data());
  return bytes;
}

std::string ToJson(const ParamImage& image) {
  std::string json;
  const JsonResult r = ImageToJson(image, &json);
  EXPECT_TRUE(r.ok) << r.path;
  return json;
}

void ExpectRoundTrip(const ParamImage& image) {
  const std::string json = ToJson(image);
  ParamImage back{};
  const JsonResult r = JsonToImage(json, &back);
  ASSERT_TRUE(r.ok) << r.path;
  ASSERT_EQ(Bytes(image), Bytes(back)) << json;
}

TEST(ImageJson, RoundTripIsByteExact) {
  ParamImage image = testing::DemoImage();
  image.base.reserved = 0x5A;
  image.arg1[0].alarm_value = -0.0f;
  image.arg1[1].alarm_value = 0.1f;
  const uint8_t nan[4] = {0x01, 0x00, 0xC0, 0xFF};  // a negative NaN with a payload
  image.arg1[2].alarm_value = GetF32(nan);
  image.coef[2].coef_a = std::numeric_limits<float>::infinity();
  image.coef[3].coef_a = std::numeric_limits<float>::max();
  image.coef[3].coef_b = std::numeric_limits<float>::denorm_min();
  image.coef[4].coef_a = 123456792.0f;  // an integer, written as exactly that
  std::memcpy(image.arg1[2].alarm_text, "AB\0DEFGH", 9);      // old bytes behind the NUL
  std::memcpy(image.arg1[4].normal_text, "XXXXXXXXXXX", 11);  // no NUL at all
  image.arg2[3].name[2] = '\xFF';                             // not GBK
  ExpectRoundTrip(image);

  const std::string json = ToJson(image);
  for (const char* expected :
       {"\"format\": \"travex-parameters\"", "\"device_time\": \"2024-02-29 08:30:00\"",
        "\"alarm_value\": -0.0,", "\"alarm_value\": 0.1,", "\"alarm_value\": 46.5,",
        "\"alarm_value\": {\"hex\": \"0100C0FF\"}",
        "\"alarm_text\": {\"hex\": \"414200444546474800\"}", "\"normal_text\": \"正常\"",
        "{\"value\": 0.25, \"text\": \"G2\"}", "\"name\": \"温度32\"", "\"unit\": \"℃\"",
        "{\"coef_a\": {\"hex\": \"0000807F\"}, \"coef_b\": -0.5}",
        "\"coef_a\": 3.4028235e+38, \"coef_b\": 1e-45", "\"coef_a\": 123456792,"}) {
    EXPECT_NE(std::string::npos, json.find(expected)) << expected;
  }

  // Any bytes at all come back.
  std::mt19937 random(11);
  std::vector<uint8_t> bytes(kImageBytes);
  for (int round = 0; round < 20; ++round) {
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    DecodeImage(bytes.data(), &image);
    ExpectRoundTrip(image);
  }
}

TEST(ImageJson, OtherInputFormsAreAccepted) {
  nlohmann::json doc = nlohmann::json::parse(ToJson(testing::DemoImage()));
  doc["device_time"] = 0;
  doc["comm_baud"] = {{"hex", "00c20100"}};
  doc["arg2"][0]["reg_start"] = 1e3;
  doc["coef"][0]["coef_b"] = 16777216;  // an integer the float holds exactly
  ParamImage image{};
  const JsonResult r = JsonToImage(doc.dump(), &image);
  ASSERT_TRUE(r.ok) << r.path;
  EXPECT_EQ(0u, image.base.device_time);
  EXPECT_EQ(115200u, image.base.comm_baud);
  EXPECT_EQ(1000, image.arg2[0].reg_start);
  EXPECT_EQ(16777216.0f, image.coef[0].coef_b);
}

TEST(ImageJson, RefusalsNameTheFieldAndLeaveTheImageAlone) {
  using Json = nlohmann::json;
  const Json demo = Json::parse(ToJson(testing::DemoImage()));
  struct Case {
    std::function<void(Json&)> change;
    JsonFault fault;
    std::string path;
    std::string value;  // as the refusal keeps it
    uint64_t limit = 0;
  };
  using F = JsonFault;
  const Case cases[] = {
      {[](Json& d) { d["coef"][5]["coef_c"] = 1; }, F::kUnknownField, "coef[5].coef_c", ""},
      {[](Json& d) { d.erase("parity"); }, F::kMissing, "parity", ""},
      {[](Json& d) { d["arg2"][0]["enabled"] = "yes"; }, F::kExpectedNumber, "arg2[0].enabled",
       ""},
      {[](Json& d) { d["arg2"][4]["slave_addr"] = 300; }, F::kOutOfRange, "arg2[4].slave_addr",
       "300", 255},
      {[](Json& d) { d["rs485_retries"] = -1; }, F::kOutOfRange, "rs485_retries", "-1", 65535},
      {[](Json& d) { d["arg2"][0]["decimals"] = 1.5; }, F::kNotInteger, "arg2[0].decimals",
       "1.5"},
      {[](Json& d) { d["arg2"][1]["reg_start"] = 70000; }, F::kOutOfRange, "arg2[1].reg_start",
       "70000", 65535},
      {[](Json& d) { d["arg1"][0]["alarm_value"] = 1e39; }, F::kFloatOutOfRange,
       "arg1[0].alarm_value", "1e+39"},
      {[](Json& d) { d["arg1"][3]["gears"][2]["text"] = "温度温度温度A"; }, F::kTextTooLong,
       "arg1[3].gears[2].text", "", 11},
      {[](Json& d) { d["arg2"][0]["unit"] = "\xF0\x9F\x98\x80"; }, F::kNotGbk, "arg2[0].unit",
       "\"\xF0\x9F\x98\x80\""},
      {[](Json& d) { d["arg2"].erase(31); }, F::kArrayLength, "arg2", "", 32},
      {[](Json& d) { d["arg1"][7]["gears"].push_back(d["arg1"][7]["gears"][0]); },
       F::kArrayLength, "arg1[7].gears", "", 9},
      {[](Json& d) { d["arg1"][2]["alarm_text"] = {{"hex", "4142"}}; }, F::kHexLength,
       "arg1[2].alarm_text", "\"4142\"", 9},
      {[](Json& d) { d["coef"][0]["coef_a"] = {{"hex", "0000807G"}}; }, F::kHexByte,
       "coef[0].coef_a", ""},
      {[](Json& d) { d["device_time"] = "2023-02-29 00:00:00"; }, F::kBadTime, "device_time",
       "\"2023-02-29 00:00:00\""},
      {[](Json& d) { d["coef"][0]["coef_b"] = 16777217; }, F::kInexactInteger, "coef[0].coef_b",
       "16777217"},
      {[](Json& d) { d["format_version"] = 2; }, F::kUnsupportedVersion, "format_version", "2"},
  };
  const std::vector<uint8_t> untouched = Bytes(testing::DemoImage());
  for (const Case& c : cases) {
    Json doc = demo;
    c.change(doc);
    ParamImage image = testing::DemoImage();
    const JsonResult r = JsonToImage(doc.dump(), &image);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(c.fault, r.fault) << c.path;
    EXPECT_EQ(c.path, r.path);
    EXPECT_EQ(c.value, r.value) << c.path;
    EXPECT_EQ(c.limit, r.limit) << c.path;
    EXPECT_EQ(untouched, Bytes(image)) << c.path;
  }
  ParamImage image{};
  JsonResult r = JsonToImage("{\"format\": ", &image);
  EXPECT_EQ(r.fault, JsonFault::kSyntax);
  EXPECT_EQ(0u, r.detail.rfind("parse error", 0)) << r.detail;

  // What the JSON library itself lets through: a key given twice, and bytes that are not
  // UTF-8, which the refusal must not keep.
  Json doc = demo;
  doc["arg1"][2]["gears"][4]["text"] = "MARK";
  std::string text = doc.dump();
  text.replace(text.find("\"text\":\"MARK\""), 13, "\"text\":\"a\",\"text\":\"b\"");
  r = JsonToImage(text, &image);
  EXPECT_EQ(r.fault, JsonFault::kDuplicateKey);
  EXPECT_EQ(r.path, "arg1[2].gears[4].text");
  text = demo.dump();
  text.replace(text.find("\"parity\""), 8, "\"parity\":1,\"parity\"");
  EXPECT_EQ(JsonToImage(text, &image).path, "parity");
  doc["arg1"][2]["gears"][4]["text"] = "MARK";
  text = doc.dump();
  text.replace(text.find("MARK"), 4, "\xC1\xF7");  // GBK, not UTF-8
  r = JsonToImage(text, &image);
  EXPECT_EQ(r.fault, JsonFault::kNotUtf8);
  EXPECT_EQ(r.path, "arg1[2].gears[4].text");
  text = demo.dump();
  text.replace(text.find("\"parity\""), 8, "\"par\xFF\"");
  r = JsonToImage(text, &image);
  EXPECT_EQ(r.fault, JsonFault::kKeyNotUtf8);
  EXPECT_EQ(r.path, "");
  EXPECT_EQ(r.detail.find('\xFF'), std::string::npos);
  EXPECT_EQ(Bytes(image), std::vector<uint8_t>(Bytes(ParamImage{})));
}

}  // namespace
}  // namespace travex
