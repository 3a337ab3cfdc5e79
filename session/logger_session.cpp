// CLoggerSession: the threads, the job queue and the jobs. The runs are in session_runs.cpp.
#include "session/logger_session.h"

#include <future>
#include <utility>

#include "params/block_table.h"
#include "protocol/link_codec.h"

namespace travex {

namespace {

// The search's progress as session events.
class SearchRates : public ISearchObserver {
 public:
  explicit SearchRates(ISessionEvents* events) : events_(events) {}
  void OnTryingRate(uint32_t rate, int index) override {
    if (events_ != nullptr) events_->OnSearchRate(rate, index);
  }

 private:
  ISessionEvents* events_;
};

RequestResult Cancelled() { return RequestResult{ExchangeStatus::kCancelled, {}, false}; }

}  // namespace

CLoggerSession::CLoggerSession(ISessionEvents* events) : events_(events) {}

CLoggerSession::~CLoggerSession() { Shutdown(); }

void CLoggerSession::Start() {
  if (worker_.joinable()) return;
  reader_.Start(line_, ring_, [this](uint32_t open_count) { OnHangup(open_count); });
  worker_ = std::jthread([this](std::stop_token stop) { WorkerLoop(std::move(stop)); });
}

void CLoggerSession::Shutdown() {
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  reader_.Stop();
  std::deque<Job> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(jobs_);
  }
  for (Job& job : dropped) job.cancelled();
  line_.Close();
}

// ---------------------------------------------------------------------------- the worker

void CLoggerSession::Queue(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  cv_.notify_all();
}

template <typename Drop>
void CLoggerSession::DropJobs(Drop drop) {
  std::deque<Job> dropped;
  {
    std::lock_guard lock(mutex_);
    for (auto it = jobs_.begin(); it != jobs_.end();) {
      if (drop(it->kind)) {
        dropped.push_back(std::move(*it));
        it = jobs_.erase(it);
      } else {
        ++it;
      }
    }
    if (job_running_ && drop(running_kind_)) job_stop_.request_stop();
  }
  for (Job& job : dropped) job.cancelled();
}

void CLoggerSession::CancelJobs() {
  DropJobs([](JobKind kind) { return kind != JobKind::kOwn; });
}

void CLoggerSession::CancelBlockRequests() {
  DropJobs([](JobKind kind) { return kind == JobKind::kBlock; });
}

bool CLoggerSession::Busy() const {
  std::lock_guard lock(mutex_);
  return job_running_ || !jobs_.empty() || RunDueLocked() || waiting_;
}

void CLoggerSession::WorkerLoop(std::stop_token stop) {
  std::stop_callback on_stop(stop, [this] {
    std::lock_guard lock(mutex_);
    job_stop_.request_stop();
    run_stop_.request_stop();
  });
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    cv_.wait(lock, stop, [this] { return !jobs_.empty() || RunDueLocked(); });
    if (stop.stop_requested()) break;
    if (!jobs_.empty()) {
      Job job = std::move(jobs_.front());
      jobs_.pop_front();
      job_running_ = true;
      running_kind_ = job.kind;
      job_stop_ = std::stop_source();
      const std::stop_token token = job_stop_.get_token();
      lock.unlock();
      job.run(token);
      lock.lock();
      job_running_ = false;
      continue;
    }
    RunStepLocked(lock);
  }
}

RequestResult CLoggerSession::Exchange(ItemRange items, bool write, std::stop_token stop) {
  return exchanges_.Request(store_, store_mutex_, items, write, stop);
}

void CLoggerSession::OnHangup(uint32_t open_count) {
  // Reader thread: the port is closed on the worker, between two exchanges. A hang-up of an
  // earlier open (the search opens and closes the port) means nothing by then.
  Queue({JobKind::kOwn,
         [this, open_count](std::stop_token) {
           if (open_count != line_.OpenCount() || !line_.IsLost() || !line_.IsOpen()) return;
           std::vector<std::function<void()>> notices;
           {
             std::lock_guard lock(mutex_);
             EndRunsLocked(ExchangeStatus::kDisconnected, &notices);
           }
           for (auto& notice : notices) notice();
           line_.Close();
           if (events_ != nullptr) events_->OnLineLost();
         },
         [] {}});
}

// ---------------------------------------------------------------------------- jobs

void CLoggerSession::Search(const PortTarget& target, SearchDone done,
                            uint32_t remembered_rate) {
  // The search closes and opens the port again: nothing queued for the old line goes on.
  CancelRuns();
  CancelJobs();
  Queue({JobKind::kSearch,
         [this, target, done, remembered_rate](std::stop_token stop) {
           ForgetHeldImage();
           SearchRates rates(events_);
           SearchOutcome outcome;
           outcome.result = exchanges_.Search(target, &rates, stop, remembered_rate);
           if (outcome.result.status == SearchStatus::kOpenFailed) {
             outcome.failure = DescribeOpenFailure(line_);
           }
           done(outcome);
         },
         [done] { done(SearchOutcome{SearchResult{SearchStatus::kCancelled}, {}}); }});
}

void CLoggerSession::Open(const PortTarget& target, uint32_t baud, OpenDone done) {
  Queue({JobKind::kLink,
         [this, target, baud, done](std::stop_token) {
           ForgetHeldImage();
           OpenOutcome outcome;
           outcome.opened = exchanges_.Open(target, baud);
           if (!outcome.opened) outcome.failure = DescribeOpenFailure(line_);
           done(outcome);
         },
         [done] { done(OpenOutcome{}); }});
}

void CLoggerSession::Link(LinkRequest request, LinkDone done) {
  Queue({JobKind::kLink,
         [this, request, done](std::stop_token stop) {
           uint8_t frame[kLinkFrameSize];
           CLinkCodec& codec = exchanges_.link_codec;
           switch (request.action) {
             case LinkRequest::Action::kQuery: codec.BuildQuery(frame); break;
             case LinkRequest::Action::kSetAddress:
               ForgetHeldImage();
               codec.BuildSetAddress(frame, request.value);
               break;
             case LinkRequest::Action::kSetBaud:
               ForgetHeldImage();
               codec.BuildSetBaud(frame, request.value);
               break;
           }
           LinkOutcome outcome;
           outcome.answered = exchanges_.LinkExchange(frame, kLinkWindow, stop);
           outcome.cancelled = stop.stop_requested();
           outcome.baud = codec.GetBaud();
           outcome.address = codec.GetAddress();
           done(outcome);
         },
         [done] { done(LinkOutcome{false, true, 0, 0}); }});
}

void CLoggerSession::ReadBlock(BlockRef block, RequestDone done) {
  Queue({JobKind::kBlock,
         [this, block, done](std::stop_token stop) {
           done(Exchange(BlockItems(block, false), false, stop));
         },
         [done] { done(Cancelled()); }});
}

void CLoggerSession::WriteBlock(BlockRef block, RequestDone done) {
  Queue({JobKind::kBlock,
         [this, block, done](std::stop_token stop) {
           ForgetHeldImage();
           done(Exchange(BlockItems(block, true), true, stop));
         },
         [done] { done(Cancelled()); }});
}

void CLoggerSession::ReadVersion(RequestDone done) {
  Queue({JobKind::kBlock,
         [this, done](std::stop_token stop) { done(Exchange(kVersionItem, false, stop)); },
         [done] { done(Cancelled()); }});
}

void CLoggerSession::SetClock(uint32_t seconds, RequestDone done) {
  Queue({JobKind::kBlock,
         [this, seconds, done](std::stop_token stop) {
           ForgetHeldImage();
           // Only the clock goes out, from a copy: the store's image keeps what it holds.
           ParamImage values;
           {
             std::lock_guard lock(store_mutex_);
             values = store_.image;
           }
           values.base.device_time = seconds;
           done(exchanges_.Request(store_, store_mutex_, values, kClockItem, true, stop));
         },
         [done] { done(Cancelled()); }});
}

// ---------------------------------------------------------------------------- waiting forms

template <typename Result, typename Begin>
Result CLoggerSession::Await(Begin begin, std::stop_token stop) {
  std::promise<Result> promise;
  std::future<Result> future = promise.get_future();
  begin([&promise](const Result& result) { promise.set_value(result); });
  std::stop_callback cancel(stop, [this] {
    CancelJobs();
    CancelRuns();
  });
  return future.get();
}

SearchOutcome CLoggerSession::SearchNow(const PortTarget& target, std::stop_token stop,
                                        uint32_t remembered_rate) {
  return Await<SearchOutcome>(
      [&](SearchDone done) { Search(target, std::move(done), remembered_rate); }, stop);
}

OpenOutcome CLoggerSession::OpenNow(const PortTarget& target, uint32_t baud) {
  return Await<OpenOutcome>([&](OpenDone done) { Open(target, baud, std::move(done)); },
                            std::stop_token{});
}

LinkOutcome CLoggerSession::LinkNow(LinkRequest request, std::stop_token stop) {
  return Await<LinkOutcome>([&](LinkDone done) { Link(request, std::move(done)); }, stop);
}

RequestResult CLoggerSession::ReadVersionNow(std::stop_token stop) {
  return Await<RequestResult>([&](RequestDone done) { ReadVersion(std::move(done)); }, stop);
}

RequestResult CLoggerSession::SetClockNow(uint32_t seconds, std::stop_token stop) {
  return Await<RequestResult>([&](RequestDone done) { SetClock(seconds, std::move(done)); }, stop);
}

}  // namespace travex
