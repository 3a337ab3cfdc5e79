// Read-all and write-all: the steps that move the whole parameter image one block per exchange
// (base settings, set 1 of 32 channels, set 2 of 32 channels and, when the logger has reported a
// firmware version, the coefficients of 32 channels), their requests and their progress texts.
// Who performs the steps (the dialog's transfer thread, the command line) is the session's and
// the front end's business.
#pragma once

#include <cstdint>
#include <string>

#include "params/param_store.h"
#include "protocol/bulk_flags.h"

namespace travex {

enum class BulkRun : uint8_t { kNone = 0, kRead = 1, kWrite = 2 };

inline constexpr uint8_t kBulkLastStep = 96;      // steps 0 to 96 with coefficients
inline constexpr uint8_t kBulkFirstCoefStep = 65;  // a run without coefficients ends here

// Progress kinds of the progress message.
inline constexpr int kProgressReadBase = 0;
inline constexpr int kProgressReadArg1 = 1;
inline constexpr int kProgressReadArg2 = 2;
inline constexpr int kProgressWriteBase = 3;
inline constexpr int kProgressWriteArg1 = 4;
inline constexpr int kProgressWriteArg2 = 5;

// What step `index` of a run does.
struct BulkStep {
  bool ends_run = false;   // nothing to send: the run is over
  bool base = false;       // the base block (fixed request shape)
  uint16_t first_id = 0;   // otherwise: first ItemId and item count
  uint8_t count = 0;
  int kind = 0;            // progress kind and channel (1 to 32) reported for the step
  long channel = 0;
};

BulkStep DescribeBulkStep(BulkRun run, unsigned index, uint16_t fw_version);

// Steps of a whole run: 97 with a known firmware version, 65 without.
inline unsigned BulkStepCount(uint16_t fw_version) {
  return fw_version != 0 ? kBulkLastStep + 1u : kBulkFirstCoefStep;
}

// Builds the step's request in store.request; returns its length.
uint16_t BuildBulkRequest(CParamStore& store, BulkRun run, const BulkStep& step);

// The text of a progress message for pane 3; empty for a kind that shows nothing.
std::string ProgressText(int kind, long channel);

}  // namespace travex
