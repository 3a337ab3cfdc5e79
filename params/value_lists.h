// The value lists of the image's code fields: each entry is a code as the image holds it and
// its text as the selectors and the reports show it (UTF-8; the selectors show the operator's
// language). Entry k of a list is what index k
// of its selector stands for. This is the one place these lists are spelled: the selectors are
// filled from here, and the field table, the command line, the JSON form and the simulated
// logger read them from here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "params/words.h"

namespace travex {

struct ValueEntry {
  uint32_t code;
  std::string_view text;
};
using ValueList = std::span<const ValueEntry>;

// The logger's rates. The image holds the rate itself; a link frame carries the link code,
// which is the entry's position plus one (1 = 2400 ... 9 = 115200). The baud-rate search
// tries them in this order.
inline constexpr ValueEntry kBaudRateList[] = {
    {2400, "2400"},   {4800, "4800"},   {9600, "9600"},   {14400, "14400"},  {19200, "19200"},
    {38400, "38400"}, {56000, "56000"}, {57600, "57600"}, {115200, "115200"}};
inline constexpr int kBaudRateCount = static_cast<int>(std::size(kBaudRateList));

inline constexpr ValueEntry kParityList[] = {{0, TRAVEX_TEXT("dialog", "无校验")}, {1, TRAVEX_TEXT("dialog", "奇校验")}, {2, TRAVEX_TEXT("dialog", "偶校验")}};

inline constexpr ValueEntry kFuncCodeList[] = {{3, TRAVEX_TEXT("dialog", "03功能码")}, {4, TRAVEX_TEXT("dialog", "04功能码")}};

inline constexpr ValueEntry kDecimalsList[] = {{0, "0"}, {1, "1"}, {2, "2"},
                                               {3, "3"}, {4, "4"}, {5, "5"}};

inline constexpr ValueEntry kDataTypeList[] = {
    {0, TRAVEX_TEXT("dialog", "16位无符号整形大端")},
    {1, TRAVEX_TEXT("dialog", "16位无符号整形小端")},
    {2, TRAVEX_TEXT("dialog", "16位有符号整形大端")},
    {3, TRAVEX_TEXT("dialog", "16位有符号整形小端")},
    {4, TRAVEX_TEXT("dialog", "32位无符号整形大端")},
    {5, TRAVEX_TEXT("dialog", "32位无符号整形小端")},
    {6, TRAVEX_TEXT("dialog", "32位无符号整形低word高byte")},
    {7, TRAVEX_TEXT("dialog", "32位有符号整形大端")},
    {8, TRAVEX_TEXT("dialog", "32位有符号整形小端")},
    {9, TRAVEX_TEXT("dialog", "32位有符号整形低word高byte")},
    {10, TRAVEX_TEXT("dialog", "浮点型大端")},
    {11, TRAVEX_TEXT("dialog", "浮点型小端")},
    {12, TRAVEX_TEXT("dialog", "浮点型低Word高Byte")},
    {13, TRAVEX_TEXT("dialog", "开关量")},
    {14, TRAVEX_TEXT("dialog", "遥调")},
    {15, TRAVEX_TEXT("dialog", "8位有符号")}};

// The position of the entry with `code`, -1 when the list has none.
int IndexOfCode(ValueList list, uint32_t code);

// Link code 1..9 of a rate, 0 when the rate has none; the rate of a link code, 0 for others.
uint8_t LinkCodeOfBaud(uint32_t baud);
uint32_t BaudOfLinkCode(uint8_t code);

// The link-set rules, the same for every front end: a logger's rate can be set to the first
// three rates only, given as the rate (2400, 4800, 9600) or as its link code (1, 2, 3); the
// link code of such a value, 0 for any other. An address can be set to 1..255 (0 is none).
uint8_t LinkSetBaudCode(int64_t value);
inline constexpr int kMinLinkAddress = 1;
inline constexpr int kMaxLinkAddress = 255;

// The channel selectors' entries "通道1" .. "通道32" (index 0 .. 31), and the gear selector's
// "遥调档位1" .. "遥调档位8", "遥调档位其他" (index 0 .. 8).
// `words` gives them in the operator's language.
std::string ChannelEntryText(int index, const IWords& words = SourceWords());
std::string GearEntryText(int index, const IWords& words = SourceWords());

}  // namespace travex
