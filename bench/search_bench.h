// The baud-rate search's times against the paced simulated logger, each beside its target.
#pragma once

namespace travex::bench {

// Prints one line per case; false when a target was missed or a logger not found.
bool RunSearchBench();

}  // namespace travex::bench
