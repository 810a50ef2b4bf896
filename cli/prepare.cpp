#include "cli/prepare.h"

#include <algorithm>
#include <cctype>

#include "engine/error.h"
#include "engine/polynomial.h"
#include "pipeline/base_point_reading.h"
#include "pipeline/curve_state.h"
#include "pipeline/document.h"

namespace quorvel::cli {

namespace {

// The command line asks nothing: a document's traces are left in the file,
// and the curve of the file always replaces the empty one.
class NoTraces : public LoadQuestions {
public:
    bool loadTraces() override { return false; }
    bool loadAnotherPolynomial() override { return true; }
};

bool loadInput(Session &session, const Input &input) {
    std::string bytes;
    std::string reason;
    if (!readDocumentFile(input.text, bytes, reason)) {
        showError(fileMessage(cannotOpenMessage, input.text, reason), fileRemedy);
        return false;
    }
    const std::string problem = documentProblem(bytes);
    if (!problem.empty()) {
        showError("The file holds no curve: " + problem + ".",
                  "Give a document saved by Quorvel, or the polynomial itself");
        return false;
    }
    NoTraces answers;
    if (!loadDocument(session, input.text, answers)) return false;
    if (input.fiber != '?' && session.state.fiberVariable() != input.fiber) {
        showError(std::string("The document takes ") + session.state.fiberVariable() +
                      " as the fiber variable, not " + input.fiber + ".",
                  "Leave out --fiber with a document, or give the polynomial itself");
        return false;
    }
    return true;
}

bool typeInput(Session &session, const Input &input) {
    if (input.text.size() > polynomialTextLimit) {
        showError("The polynomial text is longer than 1023 characters.",
                  "Shorten the polynomial; the polynomial field holds at most 1023 characters");
        return false;
    }
    if (input.fiber != '?' && input.text.find(input.fiber) == std::string::npos) {
        showError(std::string("The fiber variable ") + input.fiber + " does not occur in the polynomial.",
                  "Choose with --fiber one of the polynomial's letters");
        return false;
    }
    if (input.fiber != '?') session.form.fiberLetter = std::string(1, input.fiber);
    session.typePolynomial(input.text);
    return true;
}

}  // namespace

bool namesDocument(const std::string &input) {
    const std::string suffix = std::string(".") + documentExtension;
    if (input.size() < suffix.size()) return false;
    return std::equal(suffix.rbegin(), suffix.rend(), input.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool prepareSession(Session &session, const Input &input) {
    if (!(namesDocument(input.text) ? loadInput(session, input) : typeInput(session, input))) return false;
    session.runPipeline();
    // A chosen fiber letter the text lacks settles as a letter of no term.
    if (input.fiber != '?' && session.state.stage >= stageCurve && degree(session.state.curve.get()) <= 0) {
        showError(std::string("The fiber variable ") + input.fiber + " does not occur in the polynomial.",
                  "Choose with --fiber one of the polynomial's letters");
        return false;
    }
    if (!input.base.empty() && session.state.stage == stageFiber) {
        // The field reads the text exactly as --base was checked.
        session.typeBasePoint(input.base);
        if (!session.recalculateFiber()) return false;
    }
    return session.state.stage == stageFiber;
}

std::string checkBase(const std::string &text) {
    Complex value;
    std::string message;
    return readBasePoint(text, value, message) ? "" : message;
}

}  // namespace quorvel::cli
