// One logger on one port for the command line: the port, its receive ring and reader thread and
// a session, with the operations the commands are made of. Each returns an Outcome whose
// message names the cause in English; the caller adds the port. Nothing here prints.
//
// A link lives on the thread that runs the command for its port; the reader thread it starts
// is stopped and joined, and the port closed (its lock released), when the link is destroyed.
#pragma once

#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>

#include "cli/exit_codes.h"
#include "cli/port_list.h"
#include "cli/progress.h"
#include "params/param_store.h"
#include "protocol/bulk_transfer.h"
#include "serial/com_port.h"
#include "serial/reader_thread.h"
#include "serial/rx_ring.h"
#include "session/session.h"

namespace travex::cli {

struct ConnectOptions {
  uint32_t baud = 0;     // open at this rate; 0: search the rate
  unsigned address = 0;  // 1..255: refuse a logger that reports another address
};

// The English text of why a port could not be opened, with the dialout hint for a permission
// error and who holds a busy port.
std::string OpenFailureText(const OpenFailure& failure);

// "1.2" for 0x0102; "none" for 0.
std::string VersionText(uint16_t fw_version);

class CLoggerLink {
 public:
  // trace: where frames go (nullptr: nowhere); board and row: where progress goes.
  CLoggerLink(const PortRef& port, IFrameSink* trace, CProgressBoard* board, size_t row);
  ~CLoggerLink();
  CLoggerLink(const CLoggerLink&) = delete;
  CLoggerLink& operator=(const CLoggerLink&) = delete;

  const PortRef& port() const { return port_ref_; }
  uint32_t baud() const { return baud_; }
  uint8_t address() const { return address_; }

  // Opens the port at options.baud, or searches the rate; then checks the address when asked
  // for (the search's answer tells it, else a link query asks).
  Outcome Connect(const ConnectOptions& options, std::stop_token stop);

  // Reads item 9 only: sets store.fw_version and nothing else of the store.
  Outcome ReadVersion(CParamStore& store, std::stop_token stop);

  // A whole read-all or write-all with the store's image. Fails on the first step without an
  // answer and when any answer was rejected. *coefficients tells whether the coefficient
  // steps were part of the run.
  Outcome RunAll(CParamStore& store, BulkRun run, bool* coefficients, std::stop_token stop);

  // Writes item 8 (the clock) only.
  Outcome WriteClock(uint32_t seconds, std::stop_token stop);

  // A set-address or set-baud link frame; the answer's rate and address are then in
  // baud() and address().
  Outcome LinkSet(const uint8_t* frame, std::stop_token stop);

 private:
  Outcome Request(CParamStore& store, uint16_t length, const std::string& what,
                  std::stop_token stop);
  void Phase(std::string text);

  PortRef port_ref_;
  CProgressBoard* board_;
  size_t row_;
  CComPort port_;
  CRxRing ring_{&port_};
  CSession session_{port_, ring_};
  CReaderThread reader_;
  std::mutex store_mutex_;
  uint32_t baud_ = 0;
  uint8_t address_ = 0;
};

}  // namespace travex::cli
