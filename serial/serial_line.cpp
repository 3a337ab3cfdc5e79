#include "serial/serial_line.h"

#include <system_error>

namespace travex {

std::string ISerialLine::LastErrorText() const {
  const int error = LastError();
  return error != 0 ? std::generic_category().message(error) : std::string();
}

}  // namespace travex
