// Bringing a Session to stage 4 from what the command line names: a
// polynomial text or a document file.
#pragma once

#include <string>

#include "pipeline/session.h"

namespace quorvel::cli {

// True when the input names an existing file whose name ends in ".qpf".
bool namesDocument(const std::string &input);

// Loads the document as the main window's "Load" does (its traces are not
// loaded), or types the input into the polynomial field; then runs "Go" to
// complete the stages. With a base point, types it and runs "Re-calculate
// the fiber over base point" once stage 4 is reached. Answers true when the
// session ends at stage 4.
bool prepareSession(Session &session, const std::string &input, const std::string &base);

}  // namespace quorvel::cli
