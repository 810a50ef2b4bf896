// The one failure channel. showError formats the two texts and hands them to
// the installed handler: the application notes it for its error dialog, the
// command-line front end prints to standard error, tests record.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

using ErrorHandler = std::function<void(const std::string &message, const std::string &remedy)>;

// The width of a line of a shown message.
inline constexpr size_t lineWidth = 60;

// Wraps the text into lines of at most lineWidth characters, each break
// replacing a space, never inside a word (a word longer than a line stands
// alone on its line); a text of at most 60 characters stays one line and a
// line break of the text is kept.
std::string breakLines(std::string_view text);

// Shows a failure through the installed handler. Returns when the user
// continues; a handler may end the process instead.
void showError(std::string_view message, std::string_view remedy);

// How many failures have been shown so far, and the last one's message as
// the handler received it: a caller that runs a computation can tell what
// stopped it, whatever handler is installed.
long shownErrorCount();
const std::string &lastShownMessage();

// Installs a handler and returns the previous one. Without a handler the
// texts go to standard error.
ErrorHandler setErrorHandler(ErrorHandler handler);

// Thrown after showError when a computation cannot go on (a record pool is
// exhausted, an exponent does not fit). The command that started the
// computation catches it, so the Session stays as it was.
class ComputationAbandoned : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows the failure, then throws ComputationAbandoned with the message.
[[noreturn]] void abandon(const std::string &message, const std::string &remedy);

// Messages used in more than one place.
inline constexpr const char *memoryMessage = "Memory allocation failed.\n";
inline constexpr const char *memoryRemedy = "Tell the maker";

// Reports the exhaustion of a record pool and abandons the computation.
// With a remedy, it names the pool that ran out.
[[noreturn]] void abandonForMemory(const char *remedy = memoryRemedy);
inline constexpr const char *termPoolRemedy =
    "The 2048 records of the term pool are all in use: re-input a smaller polynomial. Tell the maker";

}  // namespace quorvel
