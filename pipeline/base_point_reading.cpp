#include "pipeline/base_point_reading.h"

#include "engine/polytext.h"
#include "pipeline/curve_state.h"

namespace quorvel {

namespace {

std::string refusal(std::string_view text, std::string problem) {
    // The parser's messages are broken for the error dialog; here they are
    // part of one sentence.
    for (char &c : problem)
        if (c == '\n') c = ' ';
    const std::string parser = "The polynomial cannot be read";
    if (problem.rfind(parser, 0) == 0) problem.replace(0, parser.size(), "It cannot be read");
    return "The base point \"" + std::string(text) + "\" is not a finite complex number: " + problem;
}

bool blank(const std::string &line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

bool readBasePoint(std::string_view text, Complex &value, std::string &message) {
    std::string problem;
    if (text.size() > basePointTextLimit) {
        message = refusal(text.substr(0, 40), "it is longer than " + std::to_string(basePointTextLimit) + " characters.");
        return false;
    }
    if (readConstant(text, value, problem)) return true;
    message = refusal(text, problem);
    return false;
}

bool readBasePointLines(const std::string &re, const std::string &im, Complex &value, std::string &message) {
    const std::string text = re + "+(" + im + ")*i";
    if (blank(re) || blank(im)) {
        message = refusal(text, "a part of it is empty.");
        return false;
    }
    return readBasePoint(text, value, message);
}

}  // namespace quorvel
