#include "paramfile/image_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "paramfile/demo_image.h"
#include "params/field_table.h"

namespace travex {
namespace {

TEST(ImageReport, ShowListsEveryFieldOnItsOwnLine) {
  const std::string text = ShowImage(testing::DemoImage());
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  ASSERT_EQ(kFieldCount, lines.size());
  EXPECT_EQ("comm_baud               9600                    设备通信波特率", lines[0]);
  EXPECT_EQ("parity                  2 (偶校验)              校验方式", lines[1]);
  EXPECT_EQ("reserved                0", lines[2]);
  EXPECT_EQ("device_time             2024-02-29 08:30:00     当前时间:", lines[8]);
  const auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("arg1[3].gears[8].text   \"G9\"                    通道4 遥调档位其他 内容"));
  EXPECT_TRUE(has("arg2[4].data_type       11 (浮点型小端)         通道5 数据类型"));
  EXPECT_TRUE(has("arg2[31].name           \"温度32\"                通道32 通道名称"));
}

TEST(ImageReport, DiffListsChangedFieldsAsTheCallerAsks) {
  const ParamImage before = testing::DemoImage();
  ParamImage after = before;
  after.arg2[4].slave_addr = 18;
  after.base.device_time += 60;
  after.coef[9].coef_b = 0.0f;
  after.coef[10].coef_b = -0.0f;
  after.arg1[0].alarm_text[6] = 'Z';  // behind the NUL

  EXPECT_EQ(
      "device_time: 2024-02-29 08:30:00 -> 2024-02-29 08:31:00\n"
      "arg2[4].slave_addr: 5 -> 18\n"
      "coef[9].coef_b: -0.5 -> 0\n"
      "coef[10].coef_b: -0.5 -> -0\n",
      FormatChanges(DiffImages(before, after)));

  DiffOptions options;
  options.device_time = false;
  options.hidden_bytes = true;
  const std::vector<FieldChange> changes = DiffImages(before, after, options);
  ASSERT_EQ(4u, changes.size());
  EXPECT_EQ("arg1[0].alarm_text", changes[0].name);
  EXPECT_EQ("hex B1A8BEAF0000000000", changes[0].before);
  EXPECT_EQ("hex B1A8BEAF00005A0000", changes[0].after);
  EXPECT_EQ("arg2[4].slave_addr", changes[1].name);
  EXPECT_TRUE(DiffImages(before, before).empty());
}

}  // namespace
}  // namespace travex
