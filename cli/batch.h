// quorvel-cli batch FILE: one curve (or document path) a line, one JSON
// object a line out, in input order, from up to `jobs` worker processes.
#pragma once

#include <string>

namespace quorvel::cli {

// Each line runs as `quorvel-cli monodromy --json LINE` in a worker process
// of this same program, so a batch line equals a single run. Empty lines
// and lines starting with '#' are skipped. Returns 0 when every curve
// succeeded, 1 when one failed (its line says why) or the file cannot be
// read.
int runBatch(const std::string &file, int jobs);

}  // namespace quorvel::cli
