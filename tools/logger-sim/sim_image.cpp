#include "sim_image.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "params/gbk.h"
#include "logger_device.h"

namespace travex::sim {
namespace {

// Copies a UTF-8 text as GBK into a field, cut to the field's capacity and NUL-terminated.
template <size_t N>
void SetText(char (&field)[N], const char* utf8) {
  const std::string gbk = Utf8ToGbk(utf8);
  const size_t n = gbk.size() < N - 1 ? gbk.size() : N - 1;
  std::memset(field, 0, N);
  std::memcpy(field, gbk.data(), n);
}

struct DemoChannel {
  const char* name;
  const char* unit;
  uint8_t func_code;
  uint8_t decimals;
  uint16_t reg_start;
  uint8_t reg_count;
  uint8_t data_type;
  float coef_a;
  float coef_b;
  float alarm_value;
  const char* alarm_text;
  const char* normal_text;
};

// Data type codes: 0 u16 big-endian, 2 s16 big-endian, 10 float big-endian, 13 switch,
// 14 remote-adjust.
constexpr DemoChannel kDemoChannels[] = {
    {"1号冷库温度", "℃", 3, 1, 0, 1, 2, 0.1f, 0.0f, -18.0f, "温度超限", "温度正常"},
    {"1号冷库湿度", "%RH", 3, 1, 1, 1, 0, 0.1f, 0.0f, 90.0f, "湿度超限", "湿度正常"},
    {"2号冷库温度", "℃", 3, 1, 0, 1, 2, 0.1f, 0.0f, -18.0f, "温度超限", "温度正常"},
    {"2号冷库湿度", "%RH", 3, 1, 1, 1, 0, 0.1f, 0.0f, 90.0f, "湿度超限", "湿度正常"},
    {"进水管压力", "kPa", 4, 2, 100, 2, 10, 1.0f, 0.0f, 600.0f, "压力过高", "压力正常"},
    {"出水流量", "m3/h", 4, 2, 102, 2, 10, 1.0f, 0.0f, 0.0f, "无流量", "流量正常"},
    {"水箱液位", "m", 3, 2, 200, 1, 0, 0.01f, 0.0f, 0.5f, "液位过低", "液位正常"},
    {"循环泵状态", "", 3, 0, 300, 1, 13, 1.0f, 0.0f, 1.0f, "故障", "运行正常"},
    {"电动阀开度", "%", 3, 0, 400, 1, 14, 1.0f, 0.0f, 0.0f, "阀门卡滞", "阀门正常"},
    {"配电室温度", "℃", 3, 1, 0, 1, 2, 0.1f, 0.0f, 45.0f, "温度过高", "温度正常"},
};

struct DemoGear {
  float value;
  const char* text;
};
constexpr DemoGear kValveGears[kGearCount] = {
    {0.0f, "全关"}, {10.0f, "一档"}, {25.0f, "二档"}, {40.0f, "三档"}, {55.0f, "四档"},
    {70.0f, "五档"}, {85.0f, "六档"}, {100.0f, "全开"}, {50.0f, "手动"},
};
constexpr DemoGear kPumpGears[kGearCount] = {
    {0.0f, "停止"}, {1.0f, "启动"}, {2.0f, "低速"}, {3.0f, "中速"}, {4.0f, "高速"},
    {5.0f, "自动"}, {6.0f, "检修"}, {7.0f, "复位"}, {0.0f, "其他"},
};

}  // namespace

ParamImage FactoryImage() {
  ParamImage image{};
  image.base.comm_baud = 9600;
  image.base.rs485_poll_interval = 1000;
  image.base.rs485_timeout = 500;
  image.base.rs485_retries = 3;
  image.base.store_interval = 60;
  image.base.lcd_on_time = 30;
  image.base.device_time = LocalClockSeconds();
  for (int c = 0; c < kChannelCount; ++c) {
    image.arg2[c].slave_addr = static_cast<uint8_t>(c + 1);
    image.arg2[c].func_code = 3;
    image.arg2[c].reg_count = 1;
    image.coef[c].coef_a = 1.0f;
  }
  return image;
}

ParamImage DemoImage() {
  ParamImage image = FactoryImage();
  int c = 0;
  for (const DemoChannel& d : kDemoChannels) {
    Arg2Block& a2 = image.arg2[c];
    a2.slave_addr = static_cast<uint8_t>(c / 2 + 1);  // temperature and humidity share a sensor
    a2.enabled = 1;
    a2.func_code = d.func_code;
    a2.decimals = d.decimals;
    a2.reg_start = d.reg_start;
    a2.reg_count = d.reg_count;
    a2.data_type = d.data_type;
    SetText(a2.name, d.name);
    SetText(a2.unit, d.unit);
    image.coef[c].coef_a = d.coef_a;
    image.coef[c].coef_b = d.coef_b;

    Arg1Block& a1 = image.arg1[c];
    a1.alarm_value = d.alarm_value;
    SetText(a1.alarm_text, d.alarm_text);
    SetText(a1.normal_text, d.normal_text);
    const DemoGear* gears = d.data_type == 14 ? kValveGears : d.data_type == 13 ? kPumpGears : nullptr;
    for (int k = 0; k < kGearCount; ++k) {
      if (gears != nullptr) {
        a1.gears[k].value = gears[k].value;
        SetText(a1.gears[k].text, gears[k].text);
      } else {
        SetText(a1.gears[k].text, k < 8 ? "未用" : "其他");
      }
    }
    ++c;
  }
  // The remaining channels are named but switched off, as a commissioned logger would show.
  for (; c < kChannelCount; ++c) {
    const std::string name = "备用通道" + std::to_string(c + 1);
    SetText(image.arg2[c].name, name.c_str());
    SetText(image.arg1[c].alarm_text, "报警");
    SetText(image.arg1[c].normal_text, "正常");
  }
  return image;
}

StateLoad LoadState(const std::string& path, ParamImage* image, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return StateLoad::kMissing;
    *error = path + ": " + std::strerror(errno);
    return StateLoad::kFailed;
  }
  uint8_t bytes[kImageBytes + 1];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = read(fd, bytes + got, sizeof bytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = path + ": " + std::strerror(errno);
      close(fd);
      return StateLoad::kFailed;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got != kImageBytes) {
    *error = path + ": not a parameter image (" + std::to_string(kImageBytes) + " bytes expected)";
    return StateLoad::kFailed;
  }
  DecodeImage(bytes, image);
  return StateLoad::kLoaded;
}

bool SaveState(const std::string& path, const ParamImage& image, std::string* error) {
  uint8_t bytes[kImageBytes];
  EncodeImage(image, bytes);
  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = temp + ": " + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < sizeof bytes) {
    const ssize_t n = write(fd, bytes + done, sizeof bytes - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == sizeof bytes && fsync(fd) == 0;
  const int saved_errno = errno;
  close(fd);
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    *error = path + ": " + std::strerror(ok ? errno : saved_errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace travex::sim
