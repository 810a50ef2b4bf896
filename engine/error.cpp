#include "engine/error.h"

#include <cstdio>
#include <utility>

namespace quorvel {

namespace {

ErrorHandler &installedHandler() {
    static ErrorHandler handler;
    return handler;
}

struct ShownRecord {
    long count = 0;
    std::string message;
};

ShownRecord &shownRecord() {
    static ShownRecord record;
    return record;
}

}  // namespace

std::string breakLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / lineWidth + 1);
    size_t lineStart = 0;  // in out
    size_t lastSpace = std::string::npos;
    for (char c : text) {
        if (c == '\n') {
            out += c;
            lineStart = out.size();
            lastSpace = std::string::npos;
            continue;
        }
        if (out.size() - lineStart >= lineWidth) {
            // The line is full: it ends at its last space; the word under
            // way moves on to the next line. A word longer than a line
            // stays whole.
            if (c == ' ') {
                out += '\n';
                lineStart = out.size();
                lastSpace = std::string::npos;
                continue;
            }
            if (lastSpace != std::string::npos) {
                out[lastSpace] = '\n';
                lineStart = lastSpace + 1;
                lastSpace = std::string::npos;
            }
        }
        if (c == ' ') lastSpace = out.size();
        out += c;
    }
    return out;
}

void showError(std::string_view message, std::string_view remedy) {
    const std::string m = breakLines(message);
    const std::string r = breakLines(remedy);
    ++shownRecord().count;
    shownRecord().message = m;
    ErrorHandler &h = installedHandler();
    if (h) {
        h(m, r);
    } else {
        std::fprintf(stderr, "Error: %s\nHow to solve this problem: %s\n", m.c_str(), r.c_str());
    }
}

long shownErrorCount() { return shownRecord().count; }

const std::string &lastShownMessage() { return shownRecord().message; }

ErrorHandler setErrorHandler(ErrorHandler handler) {
    ErrorHandler old = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return old;
}

void abandon(const std::string &message, const std::string &remedy) {
    showError(message, remedy);
    throw ComputationAbandoned(message);
}

void abandonForMemory(const char *remedy) {
    showError(memoryMessage, remedy);
    throw ComputationAbandoned("record pool exhausted");
}

}  // namespace quorvel
