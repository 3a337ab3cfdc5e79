#include "protocol/bulk_transfer.h"


namespace travex {

BulkStep DescribeBulkStep(BulkRun run, unsigned index, uint16_t fw_version) {
  const bool write = run == BulkRun::kWrite;
  BulkStep step;
  const long i = static_cast<long>(index);
  if (index == 0) {
    step.base = true;
    step.kind = write ? kProgressWriteBase : kProgressReadBase;
    step.channel = 0;
  } else if (index <= 32) {
    step.first_id = static_cast<uint16_t>(21 * index + 979);
    step.count = 21;
    step.kind = write ? kProgressWriteArg1 : kProgressReadArg1;
    step.channel = i;
  } else if (index <= 64) {
    step.first_id = static_cast<uint16_t>(9 * index + 1703);
    step.count = 9;
    step.kind = write ? kProgressWriteArg2 : kProgressReadArg2;
    step.channel = i - 32;
  } else if (index <= kBulkLastStep && fw_version != 0) {
    // The coefficients belong to the set-2 group and report with its kinds.
    step.first_id = static_cast<uint16_t>(2 * index + 2870);
    step.count = 2;
    step.kind = write ? kProgressWriteArg2 : kProgressReadArg2;
    step.channel = i - 64;
  } else {
    step.ends_run = true;
  }
  return step;
}

uint16_t BuildBulkRequest(CParamStore& store, BulkRun run, const BulkStep& step) {
  const bool write = run == BulkRun::kWrite;
  if (step.base) return write ? store.WriteBaseRequest() : store.ReadBaseRequest();
  return write ? store.BuildWriteRequest(step.first_id, step.count)
               : store.BuildReadRequest(step.first_id, step.count);
}

std::string ProgressText(int kind, long channel) {
  // "%d" of the channel behind the block's name.
  switch (kind) {
    case kProgressReadBase: return "读取基础参数";
    case kProgressWriteBase: return "写入基础参数";
    case kProgressReadArg1: return "读取参数1通道:" + std::to_string(channel);
    case kProgressReadArg2: return "读取参数2通道:" + std::to_string(channel);
    case kProgressWriteArg1: return "写入参数1通道:" + std::to_string(channel);
    case kProgressWriteArg2: return "写入参数2通道:" + std::to_string(channel);
    default: return std::string();
  }
}

}  // namespace travex
