// The help pages of quorvel-cli: exit statuses, conventions and the fields
// of the JSON each subcommand prints.
#pragma once

#include <string>

namespace quorvel::cli {

std::string generalHelp();
std::string normalizeHelp();
std::string rootsHelp();
std::string analyzeHelp();
std::string monodromyHelp();
std::string traceHelp();
std::string fundamentalGroupHelp();

}  // namespace quorvel::cli
