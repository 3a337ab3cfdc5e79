// What several commands are made of: printing a refusal, the texts of their result lines, and
// reading a logger whole.
#pragma once

#include <cstddef>
#include <stop_token>
#include <string>

#include "cli/commands.h"
#include "cli/logger_link.h"
#include "cli/port_jobs.h"

namespace travex::cli {

// Prints "travex-cli: <message>" on standard error; the outcome's exit status.
int Fail(CommandEnv& env, const Outcome& outcome);

// Every line two blanks further in.
std::string Indent(const std::string& lines);

// "1 block", "97 blocks".
std::string CountText(size_t n, const char* one, const char* many);

// A read-all into a fresh image, left in the link: false when the read failed (the report's
// outcome says why). Without a firmware version the coefficients are not read and keep the
// defaults (1.0, 0.0), as an imported file without them has them; the report then carries
// `no_version_warning`, and *coefficients tells which it was.
bool ReadLoggerInto(CLoggerLink& link, const std::string& no_version_warning, PortReport* report,
                    bool* coefficients, std::stop_token stop);

// Fields that a read-all cannot bring back are taken from the reference: the reserved byte
// (no item carries it) and, when they were not read, the coefficients.
void AlignUnread(const ParamImage& reference, bool coefficients, ParamImage* read);

}  // namespace travex::cli
