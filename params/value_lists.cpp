#include "params/value_lists.h"

#include "params/param_image.h"

namespace travex {

int IndexOfCode(ValueList list, uint32_t code) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].code == code) return static_cast<int>(i);
  }
  return -1;
}

uint8_t LinkCodeOfBaud(uint32_t baud) {
  return static_cast<uint8_t>(IndexOfCode(kBaudRateList, baud) + 1);
}

uint32_t BaudOfLinkCode(uint8_t code) {
  if (code < 1 || code > kBaudRateCount) return 0;
  return kBaudRateList[code - 1].code;
}

uint8_t LinkSetBaudCode(int64_t value) {
  constexpr int kSettable = 3;
  for (int k = 0; k < kSettable; ++k) {
    if (value == k + 1 || value == kBaudRateList[k].code) return static_cast<uint8_t>(k + 1);
  }
  return 0;
}

std::string ChannelEntryText(int index, const IWords& words) {
  return FillIn(words.Tr("dialog", "通道%1"), {std::to_string(index + 1)});
}

std::string GearEntryText(int index, const IWords& words) {
  // The last gear is the catch-all one.
  if (index == kGearCount - 1) return words.Tr("dialog", "遥调档位其他");
  return FillIn(words.Tr("dialog", "遥调档位%1"), {std::to_string(index + 1)});
}

}  // namespace travex
