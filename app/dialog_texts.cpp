#include "app/dialog_texts.h"

#include <cerrno>

namespace travex::dialog_text {

std::string_view ExchangeText(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kTimeout: return TRAVEX_TEXT("dialog", "超时未响应");
    case ExchangeStatus::kBadStart: return TRAVEX_TEXT("dialog", "帧错误");
    case ExchangeStatus::kDisconnected: return kDeviceLost;
    case ExchangeStatus::kComplete:
    case ExchangeStatus::kCancelled: break;
  }
  return {};
}

std::string_view ReplyText(const ReplyOutcome& outcome, bool write) {
  if (outcome.accepted) return write ? TRAVEX_TEXT("dialog", "写入成功") : TRAVEX_TEXT("dialog", "读取成功");
  switch (outcome.fault) {
    case ReplyFault::kTooShort: return TRAVEX_TEXT("dialog", "无效帧");
    case ReplyFault::kLength: return TRAVEX_TEXT("dialog", "帧长度错误");
    case ReplyFault::kStructure: return TRAVEX_TEXT("dialog", "帧结构错误");
    case ReplyFault::kCrc:
    case ReplyFault::kItems:
    case ReplyFault::kNone: break;
  }
  // A CRC mismatch and items that do not fit the frame are one text for the operator.
  return TRAVEX_TEXT("dialog", "帧错误");
}

std::string_view RunName(BulkRun run) {
  return run == BulkRun::kWrite ? TRAVEX_TEXT("dialog", "全部写入") : TRAVEX_TEXT("dialog", "全部读取");
}

// Kinds 0..2 read the base, set 1 and set 2 (the coefficients report as set 2, being part of
// the "参数设置2" group); 3..5 write them.
int ProgressKind(BulkRun run, BlockRef block) {
  const int offset = run == BulkRun::kWrite ? 3 : 0;
  switch (block.kind) {
    case BlockKind::kBase: return offset;
    case BlockKind::kArg1: return offset + 1;
    case BlockKind::kArg2:
    case BlockKind::kCoef: return offset + 2;
  }
  return offset;
}

long ProgressChannel(BlockRef block) {
  return block.kind == BlockKind::kBase ? 0 : static_cast<long>(block.channel) + 1;
}

std::string ProgressText(int kind, long channel, const IWords& words) {
  const std::string number = std::to_string(channel);
  switch (kind) {
    case 0: return words.Tr("dialog", "读取基础参数");
    case 3: return words.Tr("dialog", "写入基础参数");
    case 1: return FillIn(words.Tr("dialog", "读取参数1通道:%1"), {number});
    case 2: return FillIn(words.Tr("dialog", "读取参数2通道:%1"), {number});
    case 4: return FillIn(words.Tr("dialog", "写入参数1通道:%1"), {number});
    case 5: return FillIn(words.Tr("dialog", "写入参数2通道:%1"), {number});
    default: return std::string();
  }
}

std::string FixedRateNoAnswer(uint32_t rate, const IWords& words) {
  return FillIn(words.Tr("dialog", "固定波特率%1无应答（只能测试这一个波特率）"),
                {std::to_string(rate)});
}

std::string OpenFailureMessage(const OpenFailure& failure, const IWords& words) {
  std::string text = words.Tr("dialog", "串口打开失败");
  if (failure.busy) {
    const std::string device =
        failure.device.empty() ? words.Tr("dialog", "串口") : failure.device;
    text += "\n" + (failure.holder.empty()
                        ? FillIn(words.Tr("dialog", "%1 正被其他程序占用。"), {device})
                        : FillIn(words.Tr("dialog", "%1 正被其他程序占用：进程 %2。"),
                                 {device, failure.holder}));
    text += "\n" + words.Tr("dialog", "请先关闭该程序，再测试波特率。");
    return text;
  }
  if (failure.error == 0) return text;
  if (failure.error == ENOENT) {
    text += "\n" + words.Tr("dialog", "所选串口的设备不在（已拔出或未连接）：请接回设备，再测试波特率。");
  }
  text += "\n";
  if (!failure.device.empty()) text += failure.device + ": ";
  text += failure.reason;
  if (failure.refused_settings) text += "\n" + words.Tr("dialog", "该设备不接受串口设置，可能不是串口。");
  if (failure.permission) {
    text += "\n" + FillIn(words.Tr("dialog", "%1（sudo usermod -aG dialout 用户名），然后重新登录。"),
                          {words.Tr("dialog", kDialoutHint)});
  }
  return text;
}

std::string_view HistoryKindText(HistoryKind kind) {
  switch (kind) {
    case HistoryKind::kRead: return TRAVEX_TEXT("dialog", "读取");
    case HistoryKind::kBefore: return TRAVEX_TEXT("dialog", "写入前");
    case HistoryKind::kWritten: return TRAVEX_TEXT("dialog", "写入");
  }
  return TRAVEX_TEXT("dialog", "读取");
}

}  // namespace travex::dialog_text
