// Text and JSON reports of a Session for the command-line front end.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "pipeline/session.h"

namespace quorvel::cli {

struct ShownError {
    std::string message;
    std::string remedy;
};

// The JSON as text (indent < 0: one line). A text that is not UTF-8 (a
// file name or a line of bytes from another encoding) cannot be written
// into JSON as it stands: each byte that breaks the encoding is written as
// U+FFFD, the replacement character, so the output stays valid JSON.
std::string jsonText(const nlohmann::json &j, int indent = -1);

// A real number for the JSON: a zero is written 0.0, never -0.0.
double jsonReal(double v);
nlohmann::json pointsJson(const Term *list, bool withNames);
nlohmann::json analysisJson(Session &session, const std::vector<ShownError> &errors);
std::string analysisText(Session &session);

// Shows, through the error channel, what makes a completed analysis
// unusable: a fiber without points, a curve without a loop to trace.
// Answers true when there is nothing to show.
bool checkResult(Session &session);

}  // namespace quorvel::cli
