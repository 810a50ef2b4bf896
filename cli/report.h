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

nlohmann::json pointsJson(const Term *list, bool withNames);
nlohmann::json analysisJson(const Session &session, const std::vector<ShownError> &errors);
std::string analysisText(const Session &session);

}  // namespace quorvel::cli
