// The command line as CLI11 reads it, after two mendings: an option and its
// value are joined ("--base -1" becomes "--base=-1"), and every argument
// that is no option (a polynomial such as -x^2+t included) is moved behind
// "--", so that a leading minus sign is never taken for an option.
//
// A text that begins with a minus is read as a text unless it could be an
// option: "--" and what follows it are texts; "-x^2+t" and "-t+x" are texts;
// "-o", "-j", "-jN", "-h" and every "--name" are options; "-oo^2+t" and "-hx" are
// refused with a hint about "--", never guessed, and so is an unknown
// "--name" (by CLI11, with minusHint added by the caller).
#pragma once

#include <string>
#include <vector>

namespace quorvel::cli {

struct ArrangedArguments {
    std::vector<std::string> args;
    // Not empty when the command line is refused: what to tell the user.
    std::string error;
};

// `args[0]` is the program. With `subcommand`, the first argument that is
// no option names the subcommand and stays before the options.
ArrangedArguments arrangeArguments(const std::vector<std::string> &args, bool subcommand = true);

// How to pass a text that begins with a minus to `command`.
std::string minusHint(const std::string &command);

}  // namespace quorvel::cli
