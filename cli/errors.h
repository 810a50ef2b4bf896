// The command line's error channel: every message goes to standard error
// whole (the window's 60-character breaks undone), with a remedy that fits
// a command line, and is kept for the JSON `errors`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/report.h"

namespace quorvel::cli {

// The error channel breaks a text after every 60 characters for the dialog;
// a terminal and a JSON reader want it whole.
std::string joinLines(std::string_view text);

// Every message shown through the error channel, in order.
std::vector<ShownError> &shownErrors();
void installStderrHandler();

}  // namespace quorvel::cli
