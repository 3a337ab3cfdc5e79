// The rate each port's logger last answered a search at, so that the next search tries it
// first: one line "COM3 115200" per port in the state file <state folder>/rates
// ($XDG_STATE_HOME/travex, else ~/.local/state/travex). Only a convenience: a missing or
// unreadable file means nothing is remembered.
#pragma once

#include <cstdint>
#include <string>

namespace travex::cli {

std::string DefaultStateFolder();

// 0 when nothing is remembered for the port.
uint32_t RememberedRate(const std::string& folder, const std::string& port);
// Several ports (and programs) may remember at once: the file is changed under a lock, in one
// step. Failures are ignored.
void RememberRate(const std::string& folder, const std::string& port, uint32_t baud);

}  // namespace travex::cli
