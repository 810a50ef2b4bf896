#include "cli/arguments.h"

#include <array>
#include <string_view>

namespace quorvel::cli {

namespace {

// The options that take a value, with the long name they are joined under.
struct ValueOption {
    std::string_view name;
    std::string_view joined;
};
constexpr std::array<ValueOption, 8> valueOptions = {{
    {"-o", "--output"}, {"--output", "--output"}, {"--base", "--base"}, {"--loop", "--loop"},
    {"--fiber", "--fiber"}, {"-j", "--jobs"}, {"--jobs", "--jobs"}, {"--timeout", "--timeout"},
}};

bool isOptionLike(const std::string &a) { return a.size() > 1 && a[0] == '-'; }

}  // namespace

std::vector<std::string> arrangeArguments(const std::vector<std::string> &args) {
    std::vector<std::string> out;
    std::vector<std::string> positionals;
    size_t i = 0;
    // The program name, the options before the subcommand, the subcommand.
    for (; i < args.size(); ++i) {
        out.push_back(args[i]);
        if (i > 0 && !isOptionLike(args[i])) {
            ++i;
            break;
        }
    }
    for (; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--") {
            positionals.insert(positionals.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        bool handled = false;
        for (const ValueOption &o : valueOptions) {
            if (a == o.name) {
                // A missing value reads as an empty one, which is refused.
                out.push_back(std::string(o.joined) + "=" + (i + 1 < args.size() ? args[++i] : ""));
                handled = true;
                break;
            }
        }
        if (handled) continue;
        if (a.rfind("--", 0) == 0 || a == "-h")
            out.push_back(a);
        else if (a.rfind("-o", 0) == 0)
            out.push_back("--output=" + a.substr(2));
        else
            positionals.push_back(a);
    }
    if (!positionals.empty()) {
        out.emplace_back("--");
        out.insert(out.end(), positionals.begin(), positionals.end());
    }
    return out;
}

}  // namespace quorvel::cli
