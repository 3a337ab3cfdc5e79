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

BulkRun BulkWake(CParamStore& store, BulkFlags& flags, IBulkHost& host) {
  BulkRun run = BulkRun::kNone;
  if (flags.bulk_read_active.load() != 0) {
    run = BulkRun::kRead;
  } else if (flags.bulk_write_active.load() != 0) {
    run = BulkRun::kWrite;
  } else {
    return BulkRun::kNone;
  }
  if (flags.bulk_waiting.load() != 0) return BulkRun::kNone;

  std::atomic<uint8_t>& active =
      run == BulkRun::kRead ? flags.bulk_read_active : flags.bulk_write_active;
  std::atomic<uint8_t>& index =
      run == BulkRun::kRead ? flags.bulk_read_index : flags.bulk_write_index;

  // fw_version is taken afresh at every step: a read run normally has it from its own step 0.
  const BulkStep step = DescribeBulkStep(run, index.load(), store.fw_version);
  if (step.ends_run) {
    flags.bulk_waiting.store(0);
    active.store(0);
    host.BulkRunEnded(run);
    return run;
  }

  const uint16_t length = BuildBulkRequest(store, run, step);
  // Up before the request goes out, so the collection can never complete the reply first.
  flags.bulk_waiting.store(1);
  host.SendBulkRequest(run, store.request, length);
  host.PostBulkProgress(step.kind, step.channel);
  host.StartBulkCollection();

  const unsigned next = index.load() + 1u;
  if (next > kBulkLastStep) {
    // The last request is out; its reply is still collected as usual.
    index.store(0);
    active.store(0);
    host.BulkRunEnded(run);
  } else {
    index.store(static_cast<uint8_t>(next));
  }
  return run;
}

CBulkTransferThread::~CBulkTransferThread() { Stop(); }

void CBulkTransferThread::Nudge() {
  {
    std::lock_guard lock(mutex_);
    nudged_ = true;
  }
  cv_.notify_all();
}

void CBulkTransferThread::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  {
    std::lock_guard lock(mutex_);
  }
  cv_.notify_all();
  thread_.join();
  thread_ = std::jthread();
}

}  // namespace travex
