// quorvel-cli batch FILE: one curve (or document path) a line, one JSON
// object a line out, in input order, from up to `jobs` worker processes.
#pragma once

#include <string>

namespace quorvel::cli {

// The time one line may run by default, in seconds: far above what any
// curve within the limits takes, below what a stuck run would waste.
inline constexpr double defaultLineTimeout = 120.0;

// Each line runs as `quorvel-cli monodromy --json LINE` in a worker process
// of this same program, so a batch line equals a single run. Empty lines
// and lines starting with '#' are skipped; a line with a NUL byte fails
// without running. A line that runs longer than timeoutSeconds is stopped
// and fails. SIGINT, SIGTERM and SIGHUP end the running workers, then the
// batch. Returns 0 when every curve succeeded, 1 when one failed (its line
// says why) or the file cannot be read (a folder included).
int runBatch(const std::string &file, int jobs, double timeoutSeconds = defaultLineTimeout);

}  // namespace quorvel::cli
