#include "cli/prepare.h"

#include <filesystem>
#include <system_error>

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

}  // namespace

bool namesDocument(const std::string &input) {
    const std::string suffix = std::string(".") + documentExtension;
    if (input.size() <= suffix.size() || input.compare(input.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::error_code error;
    return std::filesystem::is_regular_file(input, error);
}

bool prepareSession(Session &session, const std::string &input, const std::string &base) {
    if (namesDocument(input)) {
        NoTraces answers;
        if (!loadDocument(session, input, answers)) return false;
    } else {
        session.typePolynomial(input);
    }
    session.runPipeline();
    if (!base.empty() && session.state.stage == stageFiber) {
        session.typeBasePoint(base);
        if (!session.recalculateFiber()) return false;
    }
    return session.state.stage == stageFiber;
}

}  // namespace quorvel::cli
