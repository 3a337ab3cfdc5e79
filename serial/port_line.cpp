#include "serial/port_line.h"

#include "serial/line_address.h"

namespace travex {

void CPortLine::Select(const PortTarget& target, uint32_t baud) {
  target_ = target;
  baud_ = baud;
}

std::string CPortLine::AddressOf(const PortTarget& target) {
  if (!target.address.empty()) return target.address;
  std::string device = com_.Numbering().Resolve(target.number);
  return LooksLikeLineAddress(device) ? device : std::string();
}

uint32_t CPortLine::FixedRate(const PortTarget& target) {
  const std::string address = AddressOf(target);
  return address.empty() ? 0 : net_.FixedRate(PortTarget::Address(address));
}

int CPortLine::Open() {
  const std::string address = AddressOf(target_);
  ISerialLine& next = address.empty() ? static_cast<ISerialLine&>(com_) : net_;
  ISerialLine* previous = active_.exchange(&next);
  if (previous != &next) {
    previous->Close();
    previous->WakeWaiters();  // the reader may sleep on it still
  }
  if (address.empty()) {
    com_.Select(target_, baud_);
  } else {
    net_.Select(PortTarget::Address(address), baud_);
  }
  if (next.Open() == 0) return 0;
  open_count_.fetch_add(1);
  return 1;
}

int CPortLine::Close() {
  const int local = com_.Close();
  const int net = net_.Close();
  return local != 0 || net != 0 ? 1 : 0;
}

}  // namespace travex
