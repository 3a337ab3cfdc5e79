#include "protocol/frame_describe.h"

#include "params/block_table.h"
#include "params/param_image.h"
#include "protocol/crc16.h"
#include "protocol/frame_format.h"
#include "protocol/link_codec.h"

namespace travex {

namespace {

struct Phrases {
  const char* link_query;
  const char* set_address;   // %
  const char* set_baud;      // % rate, % code
  const char* link_reply;    // % rate, % address
  const char* link_crc;
  const char* read_items;    // % first, % last, % count
  const char* write_items;
  const char* read_answer;   // % items
  const char* write_answer;
  const char* answer_crc;
  const char* incomplete;    // % got, % announced
  const char* bad_start;
  const char* unknown;
  const char* block_base;
  const char* block_arg1;    // % channel
  const char* block_arg2;
  const char* block_coef;
  const char* request_crc;
};

constexpr Phrases kChinese = {
    "链路查询", "设置地址 %", "设置波特率 %（代码 %）", "链路应答：% bit/s，地址 %",
    "链路帧校验错误", "读取第%–%项（共%项）", "写入第%–%项（共%项）", "读取应答，%项",
    "写入应答", "应答校验错误", "应答不完整（% / % 字节）", "起始字节错误", "无法识别的数据",
    "基础参数", "参数1 通道%", "参数2 通道%", "系数 通道%", "请求校验错误"};

constexpr Phrases kEnglish = {
    "link query", "set address %", "set baud % (code %)", "link reply: % bit/s, address %",
    "link frame, CRC error", "read items %-% (%)", "write items %-% (%)",
    "read answer, % items", "write answer", "answer, CRC error",
    "incomplete answer (% of % bytes)", "bad start byte", "unrecognised bytes", "base settings",
    "set 1, channel %", "set 2, channel %", "coefficients, channel %", "request, CRC error"};

// The pattern with each "%" replaced by the next number.
template <typename... Numbers>
std::string Format(const char* pattern, Numbers... numbers) {
  const unsigned long values[] = {static_cast<unsigned long>(numbers)...};
  std::string text;
  size_t next = 0;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p == '%' && next < sizeof...(numbers)) {
      text += std::to_string(values[next++]);
    } else {
      text += *p;
    }
  }
  return text;
}

bool CrcOk(const uint8_t* bytes, size_t length) {
  return length >= 2 && Crc16(bytes, length - 2) == GetU16(bytes + length - 2);
}

// The block of the block table a run of items starting at first_id belongs to, or empty.
std::string BlockOf(uint16_t first_id, const Phrases& p) {
  BlockRef block;
  if (!BlockOfItem(first_id, &block)) return {};
  const unsigned channel = block.channel + 1u;
  switch (block.kind) {
    case BlockKind::kBase: return p.block_base;
    case BlockKind::kArg1: return Format(p.block_arg1, channel);
    case BlockKind::kArg2: return Format(p.block_arg2, channel);
    case BlockKind::kCoef: return Format(p.block_coef, channel);
  }
  return {};
}

std::string DescribeLink(const uint8_t* b, bool sent, const Phrases& p) {
  if (!CrcOk(b, kLinkFrameSize)) return p.link_crc;
  if (!sent) return Format(p.link_reply, BaudOfLinkCode(b[3]), b[4]);
  if (b[3] == 0 && b[4] == 0) return p.link_query;
  if (b[3] == 0) return Format(p.set_address, b[4]);
  return Format(p.set_baud, BaudOfLinkCode(b[3]), b[3]);
}

std::string DescribeRequest(const uint8_t* b, size_t length, const Phrases& p) {
  if (length < kFrameHeaderBytes + kFrameCrcBytes || GetU16(b + 1) != length || !CrcOk(b, length)) {
    return p.request_crc;
  }
  const unsigned count = GetU16(b + 6);
  const uint16_t first = count != 0 ? GetU16(b + kFrameHeaderBytes) : 0;
  const unsigned last = first + (count != 0 ? count - 1 : 0);
  std::string text = Format(b[5] == kCommandWrite ? p.write_items : p.read_items, unsigned{first},
                            last, count);
  const std::string block = BlockOf(first, p);
  if (!block.empty()) text += " · " + block;
  return text;
}

std::string DescribeAnswer(const uint8_t* b, size_t length, const Phrases& p) {
  if (length < 3) return Format(p.incomplete, length, 0);
  const unsigned announced = GetU16(b + 1);
  if (length < announced || announced < kFrameHeaderBytes + kFrameCrcBytes) {
    return Format(p.incomplete, length, announced);
  }
  if (!CrcOk(b, announced)) return p.answer_crc;
  if (b[5] == kCommandWrite) return p.write_answer;
  return Format(p.read_answer, GetU16(b + 6));
}

}  // namespace

std::string DescribeFrame(const uint8_t* bytes, size_t length, bool sent, TraceLanguage language) {
  const Phrases& p = language == TraceLanguage::kChinese ? kChinese : kEnglish;
  if (bytes == nullptr || length == 0) return p.unknown;
  if (length == kLinkFrameSize && bytes[0] == 0xFD && bytes[1] == 0xFD && bytes[2] == 0xFD) {
    return DescribeLink(bytes, sent, p);
  }
  if (sent && bytes[0] == kRequestStart) return DescribeRequest(bytes, length, p);
  if (!sent && bytes[0] == kReplyStart) return DescribeAnswer(bytes, length, p);
  if (!sent && bytes[0] != 0xFD) return p.bad_start;
  return p.unknown;
}

}  // namespace travex
