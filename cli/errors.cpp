#include "cli/errors.h"

#include <cstdio>
#include <string_view>

#include "engine/error.h"

namespace quorvel::cli {

std::string joinLines(std::string_view text) {
    // The error channel wraps at spaces: each break inside the text was one.
    std::string out(text);
    for (size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i] == '\n') out[i] = ' ';
    return out;
}

namespace {

// Remedies that name a window the command line has not.
std::string commandLineRemedy(const std::string &remedy) {
    if (remedy == "Using Manual mode, replace the parameter path.")
        return "Choose another base point with --base, or another loop with --loop.";
    if (remedy == "You may not quit. Please re-input the polynomial")
        return "Give a polynomial in two letters, such as x^2-t";
    return remedy;
}

}  // namespace

// Every message shown through the error channel, in order.
std::vector<ShownError> &shownErrors() {
    static std::vector<ShownError> errors;
    return errors;
}

void installStderrHandler() {
    setErrorHandler([](const std::string &message, const std::string &remedy) {
        const ShownError e{joinLines(message), commandLineRemedy(joinLines(remedy))};
        std::fprintf(stderr, "error: %s\n", e.message.c_str());
        std::fprintf(stderr, "how to solve this problem: %s\n", e.remedy.c_str());
        shownErrors().push_back(e);
    });
}

}  // namespace quorvel::cli
