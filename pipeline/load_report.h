// What a document load did not load, and why, told to the user after the
// load: the reader itself stays silent (a missing section or an early end
// ends the load where it stands). The report reads the file's bytes again,
// section by section as the reader does, and compares with what the session
// holds afterwards. Also the Parameter Space window's load as the main
// window sees it: a load of another polynomial shows up in the main form.
#pragma once

#include <string>
#include <vector>

#include "pipeline/document.h"

namespace quorvel {

class Session;

// The parts of the file that were not loaded into the session, each with
// its reason, in file order; empty when everything the file holds was
// loaded. `sectionsWanted`: the sections from the polynomial to the fiber
// were to be read (not so when the Parameter Space window finds the curve
// it holds); `tracesWanted`: the trace sections were to be read (the user
// answered yes, or the Parameter Space window loaded them).
std::vector<std::string> unloadedParts(const std::string &bytes, const Session &session, bool sectionsWanted,
                                       bool tracesWanted);

// Writes every field of the main form from the held state, as "Go" writes
// them, without any change of the stage.
void showHeldStateInForm(Session &session);

// The outcome of a file command as the windows report it.
struct LoadOutcome {
    bool read = false;                 // the file could be read
    bool anotherPolynomial = false;    // the file's other curve replaced the one held
    std::vector<std::string> notices;  // what was not loaded, and why
};

// The main window's "Load", with the notices.
LoadOutcome loadDocumentReporting(Session &session, const std::string &path, LoadQuestions &questions);
// The Parameter Space window's "&Load from file", with the notices. When
// the file's other polynomial is loaded, the main form shows it and
// documentName becomes the file's name: a later "Save" offers that file
// rather than the document of the curve that was replaced.
LoadOutcome loadTracesReporting(Session &session, const std::string &path, LoadQuestions &questions);

}  // namespace quorvel
