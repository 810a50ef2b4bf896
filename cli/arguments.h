// The command line as CLI11 reads it, after two mendings: an option and its
// value are joined ("--base -1" becomes "--base=-1"), and every argument
// that is no option (a polynomial such as -x^2+t included) is moved behind
// "--", so that a leading minus sign is never taken for an option.
#pragma once

#include <string>
#include <vector>

namespace quorvel::cli {

std::vector<std::string> arrangeArguments(const std::vector<std::string> &args);

}  // namespace quorvel::cli
