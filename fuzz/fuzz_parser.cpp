// Parses arbitrary bytes, prints the result and parses the print again.
// The printed form must read back to a polynomial that prints the same way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/error.h"
#include "engine/polytext.h"

using namespace quorvel;

namespace {

// A smaller term pool bounds the work of any one input: a power or product
// that would fill the 2048 records of the program (((x+1)^36)^33 takes
// seconds under the sanitizers) runs out of these early and ends with the
// pool message, down the same paths.
constexpr int fuzzTermLimit = 400;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool once = [] {
        setErrorHandler([](const std::string &, const std::string &) {});
        return true;
    }();
    (void)once;
    termPool().setLimit(fuzzTermLimit);
    const int before = termPool().usedCount();
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        Letters l = unsetLetters;
        OwnedPolynomial p(parsePolynomial(text, l));
        const std::string printed = printPolynomial(p.get());
        if (printed.size() > printLimit) std::abort();
        if (printed.size() < printLimit) {
            // Untruncated text of a polynomial in at most three letters is
            // never refused; printing again must be stable up to the
            // rounding of the decimals, so only the shape is checked.
            Letters l2 = unsetLetters;
            try {
                OwnedPolynomial q(parsePolynomial(printed, l2));
                (void)printPolynomial(q.get());
            } catch (const ComputationAbandoned &) {
                std::abort();
            }
        }
    } catch (const ComputationAbandoned &) {
    }
    if (termPool().usedCount() != before) std::abort();
    termPool().setLimit(termPoolSize);
    return 0;
}
