// The English of travex-cli: what the layers below report as codes, in words. Every text that
// names a cause the core reports stands here once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/exit_codes.h"
#include "paramfile/image_json.h"
#include "params/block_table.h"
#include "session/logger_session.h"

namespace travex::cli {

// What a user who may not use serial ports is told to do.
inline constexpr std::string_view kDialoutHint =
    "add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again";

// Why a port could not be opened, with the dialout hint for a permission error and who holds a
// busy port.
std::string OpenFailureText(const OpenFailure& failure);

// A search that found no logger; ok for kFound.
Outcome SearchFailure(const SearchResult& result);

// An exchange that ended without an answer, at `where` ("step 3 of 97 (...)"); ok for kComplete.
Outcome ExchangeFailure(ExchangeStatus status, const std::string& where);

// Why the parser rejected an answer: "CRC error".
std::string RejectionText(ReplyFault fault);

// "base settings", "set 2 of channel 5", "coefficients of channel 12"; and as the progress bar
// has room for it: "base", "set 2 5", "coef 12".
std::string BlockText(BlockRef block);
std::string BlockShortText(BlockRef block);
// "step 12 of 97 (set 1 of channel 11)" for step index 11.
std::string StepText(unsigned index, unsigned total, BlockRef block);

// "1.2" for 0x0102; "none" for 0.
std::string VersionText(uint16_t fw_version);

// The rates a port is opened at: "2400, 4800, ..., 115200"; the rates a logger can be set to:
// "2400, 4800 or 9600 (or the codes 1 to 3)"; the addresses it can be given: "1 to 255".
std::string LinkRatesText();
std::string LinkSetRatesText();
std::string LinkAddressesText();

// Why a JSON document was refused, led by the path of the field: "parity: missing".
std::string JsonRefusalText(const JsonResult& refusal);

// The warning when the history could not be kept.
std::string HistoryProblemText(const std::string& reason);

}  // namespace travex::cli
