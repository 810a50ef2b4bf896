#include "engine/error.h"

#include <cstdio>
#include <utility>

namespace quorvel {

namespace {

ErrorHandler &installedHandler() {
    static ErrorHandler handler;
    return handler;
}

}  // namespace

std::string breakLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 60 + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && i % 60 == 0) out += '\n';
        out += text[i];
    }
    return out;
}

void showError(std::string_view message, std::string_view remedy) {
    const std::string m = breakLines(message);
    const std::string r = breakLines(remedy);
    ErrorHandler &h = installedHandler();
    if (h) {
        h(m, r);
    } else {
        std::fprintf(stderr, "Error: %s\nHow to solve this problem: %s\n", m.c_str(), r.c_str());
    }
}

ErrorHandler setErrorHandler(ErrorHandler handler) {
    ErrorHandler old = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return old;
}

void abandonForMemory(const char *remedy) {
    showError(memoryMessage, remedy);
    throw ComputationAbandoned("record pool exhausted");
}

}  // namespace quorvel
