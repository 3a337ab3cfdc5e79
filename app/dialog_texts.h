// The dialog's words: its name, the texts it shows in more than one place, and the words for
// the codes the layers below report (exchange ends, search and open failures, run progress).
// Texts shown in one place only stand where they are shown. Every text is a marked source (see
// params/words.h); the functions that compose a text take the words of the operator's language.
#pragma once

#include <string>
#include <string_view>

#include "params/words.h"
#include "session/logger_session.h"

namespace travex::dialog_text {

// The application's name: caption of the message boxes.
inline constexpr std::string_view kAppName = TRAVEX_TEXT("dialog", "Travex配置软件");
// Pane 3 for each section of a parameter file that failed its check: base, set 1, set 2,
// coefficients.
inline constexpr std::string_view kSectionLoadFailed[] = {
    TRAVEX_TEXT("dialog", "载入参数1错误"), TRAVEX_TEXT("dialog", "载入参数2错误"),
    TRAVEX_TEXT("dialog", "载入参数3错误"), TRAVEX_TEXT("dialog", "载入系数错误")};
// Pane 3 when a single request is refused while a run or the search is in progress.
inline constexpr std::string_view kRunBusy = TRAVEX_TEXT("dialog", "正在全部读取/写入，请稍候");
// What the port list says when there is no port to choose.
inline constexpr std::string_view kNoPorts = TRAVEX_TEXT("dialog", "未发现串口");
// Pane 0 and 1 after the device went away.
inline constexpr std::string_view kDeviceLost = TRAVEX_TEXT("dialog", "设备已断开");
inline constexpr std::string_view kCheckAndSearchAgain = TRAVEX_TEXT("dialog", "请检查设备连接，然后重新测试波特率");
// How a user gets access to serial ports (a tool tip and a message).
inline constexpr std::string_view kDialoutHint = TRAVEX_TEXT("dialog", "当前用户没有使用串口的权限：请把用户加入 dialout 组");

// The history window ("历史记录"), its columns and buttons, the kinds of its files, and pane 3
// when the history could not be kept (followed by the reason).
inline constexpr std::string_view kHistoryTitle = TRAVEX_TEXT("dialog", "历史记录");
inline constexpr std::string_view kHistoryColumns[] = {
    TRAVEX_TEXT("dialog", "时间"), TRAVEX_TEXT("dialog", "串口"), TRAVEX_TEXT("dialog", "地址"),
    TRAVEX_TEXT("dialog", "固件版本"), TRAVEX_TEXT("dialog", "类型")};
inline constexpr std::string_view kHistoryImport = TRAVEX_TEXT("dialog", "导入");
inline constexpr std::string_view kHistoryOpenFolder = TRAVEX_TEXT("dialog", "打开文件夹");
inline constexpr std::string_view kHistoryEmpty = TRAVEX_TEXT("dialog", "还没有历史记录");
inline constexpr std::string_view kHistoryFailed = TRAVEX_TEXT("dialog", "历史记录无法保存：");
std::string_view HistoryKindText(HistoryKind kind);

// Pane 3 of an exchange that ended without an answer: "超时未响应", "帧错误", "设备已断开";
// empty for a complete or cancelled one.
std::string_view ExchangeText(ExchangeStatus status);
// Pane 3 of a complete answer to a read or write request: "读取成功", "写入成功", or why the
// parser rejected it ("无效帧", "帧长度错误", "帧结构错误", "帧错误").
std::string_view ReplyText(const ReplyOutcome& outcome, bool write);
// "全部读取" or "全部写入".
std::string_view RunName(BulkRun run);
// The progress message's text for pane 3 ("读取参数1通道:7"); empty for a kind that shows
// nothing.
std::string ProgressText(int kind, long channel, const IWords& words = SourceWords());
// The progress message of a run's step: its kind (0..5) and channel (1..32, 0 for the base).
int ProgressKind(BulkRun run, BlockRef block);
long ProgressChannel(BlockRef block);
// Pane 1 when a line fixed to one rate (raw TCP) did not answer at it: only that rate was tried.
std::string FixedRateNoAnswer(uint32_t rate, const IWords& words);
// The message box of an open that failed: the system's reason, who holds a busy port, and for
// a permission error how a user gets access.
std::string OpenFailureMessage(const OpenFailure& failure, const IWords& words = SourceWords());

}  // namespace travex::dialog_text
