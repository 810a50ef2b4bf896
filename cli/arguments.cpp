#include "cli/arguments.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quorvel::cli {

namespace {

// The options that take a value, with the long name they are joined under.
struct ValueOption {
    std::string_view name;
    std::string_view joined;
};
constexpr std::array<ValueOption, 11> valueOptions = {{
    {"-o", "--output"}, {"--output", "--output"}, {"--base", "--base"}, {"--loop", "--loop"},
    {"--fiber", "--fiber"}, {"-j", "--jobs"}, {"--jobs", "--jobs"}, {"--gap-seconds", "--gap-seconds"},
    {"--plane", "--plane"}, {"--size", "--size"}, {"--timeout", "--timeout"},
}};

bool isOptionLike(const std::string &a) { return a.size() > 1 && a[0] == '-'; }

// A short option (-o, -j, -h) with more joined to it: never guessed to be
// the option with a value, nor a text.
bool shortLookalike(const std::string &a) {
    return a.size() > 2 && a[0] == '-' && (a[1] == 'o' || a[1] == 'j' || a[1] == 'h');
}

// "--name" or "--name=value" with a name of letters, digits and dashes:
// what an option can be. Anything else after "--" (--x^2+t) is a text.
bool optionName(const std::string &a) {
    const std::string_view name = std::string_view(a).substr(2, a.find('=') - 2);
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
}

}  // namespace

std::string minusHint(const std::string &command) {
    return "A text that begins with a minus goes after \"--\": quorvel-cli " + command +
           (command.empty() ? "" : " ") + "[OPTIONS] -- TEXT. -o takes its file as the next argument (-o FILE).";
}

ArrangedArguments arrangeArguments(const std::vector<std::string> &args, bool subcommand) {
    ArrangedArguments result;
    std::vector<std::string> &out = result.args;
    std::vector<std::string> positionals;
    std::string command;
    size_t i = 0;
    if (subcommand) {
        // The program name, the options before the subcommand, the subcommand.
        for (; i < args.size(); ++i) {
            out.push_back(args[i]);
            if (i > 0 && !isOptionLike(args[i])) {
                command = args[i];
                ++i;
                break;
            }
        }
    } else if (!args.empty()) {
        out.push_back(args[0]);
        command = "picture";
        i = 1;
    }
    for (; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--") {
            positionals.insert(positionals.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        const auto valued =
            std::find_if(valueOptions.begin(), valueOptions.end(), [&](const ValueOption &o) { return a == o.name; });
        if (valued != valueOptions.end()) {
            // A missing value reads as an empty one, which is refused.
            out.push_back(std::string(valued->joined) + "=" + (i + 1 < args.size() ? args[++i] : ""));
        } else if (a == "-h" || (a.rfind("--", 0) == 0 && optionName(a))) {
            // CLI11 refuses a long option it does not know; the caller adds
            // minusHint.
            out.push_back(a);
        } else if (a.size() > 2 && a.rfind("-j", 0) == 0 &&
                   a.find_first_not_of("0123456789", 2) == std::string::npos) {
            // -j4: a count joined to -j is no text of any subcommand.
            out.push_back("--jobs=" + a.substr(2));
        } else if (shortLookalike(a) || a.rfind("--", 0) == 0) {
            result.error = a + ": no such option.\n" + minusHint(command);
            return result;
        } else {
            positionals.push_back(a);
        }
    }
    if (!positionals.empty()) {
        out.emplace_back("--");
        out.insert(out.end(), positionals.begin(), positionals.end());
    }
    return result;
}

}  // namespace quorvel::cli
