// Bringing a Session to stage 4 from what the command line names: a
// polynomial text or a document file.
#pragma once

#include <string>

#include "pipeline/session.h"

namespace quorvel::cli {

struct Input {
    std::string text;            // the polynomial, or the path of a document
    std::string base;            // --base (a text readBasePoint reads), empty when not given
    char fiber = '?';            // --fiber, '?' when not given
};

// True when the input names a document: its name ends in ".qpf". Such an
// input is never read as polynomial text, whether or not the file exists.
bool namesDocument(const std::string &input);

// Loads the document as the main window's "Load" does (its traces are not
// loaded), or types the input into the polynomial field with the fiber
// letter chosen; then runs "Go" to complete the stages. With a base point,
// types it and runs "Re-calculate the fiber over base point" once stage 4
// is reached. What fails is shown through the error channel: a file that
// cannot be read, bytes that hold no document, a text longer than the
// polynomial field, a fiber letter the polynomial lacks. Answers true when
// the session ends at stage 4.
bool prepareSession(Session &session, const Input &input);

// The check of --base for CLI11: empty when readBasePoint takes the text,
// else its message (the message of every base-point reader).
std::string checkBase(const std::string &text);

}  // namespace quorvel::cli
