#include "engine/exact_mpoly.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/error.h"
#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

// The expansion of a product is refused beyond this many word products
// (terms of one factor times terms of the other times the 64-bit words of
// their largest coefficients): about a second of work. Texts of a curve
// stay far below it; a decimal with many digits raised to a high power
// does not.
constexpr double expansionWorkLimit = 1073741824.0;
// A written number, or a power's extreme coefficient, below 10^-20000 is
// refused as it stands: no product of numbers within the double range
// brings it back to a double, and its exact value would only cost time.
constexpr double tinyDecimalExponent = 20000.0;
constexpr double log10Of2 = 0.30102999566398120;

}  // namespace

std::string magnitudeText(double log10Value) {
    double exponent = std::floor(log10Value);
    double mantissa = std::round(std::pow(10.0, log10Value - exponent));
    if (mantissa >= 10.0) {
        mantissa = 1.0;
        exponent += 1.0;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0fe%.0f", mantissa, exponent);
    return buf;
}

namespace {

[[noreturn]] void abandonForTinyCoefficient(double log10Value) {
    abandon("A coefficient is too small: about " + magnitudeText(log10Value) +
                ", and double precision ends near 1e-308.",
            "Re-input the polynomial with coefficients above 1e-308 in size");
}

double log10Of(const fmpq_t q) {
    Integer a;
    fmpz_abs(a, fmpq_numref(q));
    return (fmpz_dlog(a) - fmpz_dlog(fmpq_denref(q))) / std::log(10.0);
}

int compareExponents(const ulong a[3], const ulong b[3]) {
    for (int s = 0; s < 3; ++s)
        if (a[s] != b[s]) return a[s] > b[s] ? 1 : -1;
    return 0;
}

// The size of the largest coefficient of one part, in bits (numerator and
// denominator together).
double partBits(const fmpq_mpoly_struct *p) {
    if (fmpq_mpoly_is_zero(p, slots())) return 0.0;
    const double content = static_cast<double>(fmpz_bits(fmpq_numref(p->content)) +
                                               fmpz_bits(fmpq_denref(p->content)));
    return content + static_cast<double>(std::labs(fmpz_mpoly_max_bits(p->zpoly)));
}

double coefficientWords(const GaussMpoly &a) {
    return 1.0 + std::max(partBits(a.re()), partBits(a.im())) / 64.0;
}

void checkExpansionWork(const GaussMpoly &a, const GaussMpoly &b) {
    const double la = static_cast<double>(a.termCount()), lb = static_cast<double>(b.termCount());
    const double wa = coefficientWords(a), wb = coefficientWords(b);
    if (la * lb * wa * wb <= expansionWorkLimit) return;
    const double digits = 64.0 * std::max(wa, wb) * log10Of2;
    abandon("The polynomial is too large to expand exactly: a product of " + std::to_string(a.termCount()) +
                " by " + std::to_string(b.termCount()) + " terms with coefficients of up to " +
                std::to_string(static_cast<long long>(digits)) + " digits.",
            "Re-input the polynomial with lower powers or numbers with fewer digits");
}

// A result the rounded polynomial could not hold is refused as the term
// pool refuses it.
int freeRecords() { return std::max(0, termPool().limit() - termPool().usedCount()); }

void checkTermCount(const GaussMpoly &a) {
    if (a.termCount() > freeRecords()) abandonForMemory(termPoolRemedy);
}

// A product whose terms cannot fit the pool even after much cancellation is
// refused before it is expanded: its terms are at most the product of the
// factors' term counts and at most the points of the box of its exponents.
// (The double evaluation of the same text, which the pool bounds, can
// multiply by a 0 that is not exactly 0: (1+1e-17-1)*(x+1)^1000*(t+1)^1000.)
void checkProductTerms(const GaussMpoly &a, const GaussMpoly &b) {
    double box = 1.0;
    for (int s = 0; s < 3; ++s) box *= static_cast<double>(a.degree(s) + b.degree(s) + 1);
    const double bound = std::min(box, static_cast<double>(a.termCount()) * static_cast<double>(b.termCount()));
    if (bound > 16.0 * freeRecords()) abandonForMemory(termPoolRemedy);
}

void checkExponentSum(const GaussMpoly &a, const GaussMpoly &b) {
    for (int s = 0; s < 3; ++s)
        if (a.degree(s) + b.degree(s) > INT32_MAX) abandonForExponent();
}

}  // namespace

const SlotContext &slots() {
    // Never destroyed: exact polynomials held in other statics (the last
    // curve's cache) are cleared with it at exit, in whatever order.
    static const SlotContext *const context = new SlotContext(3, ORD_LEX);
    return *context;
}

// ---- GaussMpoly -----------------------------------------------------------------

GaussMpoly::GaussMpoly() : re_(slots()), im_(slots()) {}

GaussMpoly::GaussMpoly(const GaussMpoly &other) : GaussMpoly() { *this = other; }

GaussMpoly::GaussMpoly(GaussMpoly &&other) noexcept : GaussMpoly() { *this = std::move(other); }

GaussMpoly &GaussMpoly::operator=(const GaussMpoly &other) {
    if (this != &other) {
        fmpq_mpoly_set(re_, other.re_, slots());
        fmpq_mpoly_set(im_, other.im_, slots());
    }
    return *this;
}

GaussMpoly &GaussMpoly::operator=(GaussMpoly &&other) noexcept {
    fmpq_mpoly_swap(re_, other.re_, slots());
    fmpq_mpoly_swap(im_, other.im_, slots());
    return *this;
}

bool GaussMpoly::isZero() const { return fmpq_mpoly_is_zero(re_, slots()) && isReal(); }

bool GaussMpoly::isReal() const { return fmpq_mpoly_is_zero(im_, slots()); }

bool GaussMpoly::isConstant() const {
    return fmpq_mpoly_is_fmpq(re_, slots()) && fmpq_mpoly_is_fmpq(im_, slots());
}

slong GaussMpoly::termCount() const {
    const slong nr = fmpq_mpoly_length(re_, slots()), ni = fmpq_mpoly_length(im_, slots());
    if (nr == 0 || ni == 0) return nr + ni;
    // Both parts sorted highest first: count the monomials they share.
    ulong er[3], ei[3];
    slong shared = 0;
    for (slong i = 0, j = 0; i < nr && j < ni;) {
        fmpq_mpoly_get_term_exp_ui(er, re_, i, slots());
        fmpq_mpoly_get_term_exp_ui(ei, im_, j, slots());
        const int order = compareExponents(er, ei);
        if (order >= 0) ++i;
        if (order <= 0) ++j;
        if (order == 0) ++shared;
    }
    return nr + ni - shared;
}

slong GaussMpoly::degree(int slot) const {
    return std::max(fmpq_mpoly_degree_si(re_, slot, slots()), fmpq_mpoly_degree_si(im_, slot, slots()));
}

void GaussMpoly::forEachTerm(const TermVisitor &visit) const {
    const slong nr = fmpq_mpoly_length(re_, slots()), ni = fmpq_mpoly_length(im_, slots());
    Rational a, b;
    ulong er[3] = {0, 0, 0}, ei[3] = {0, 0, 0};
    slong i = 0, j = 0;
    while (i < nr || j < ni) {
        if (i < nr) fmpq_mpoly_get_term_exp_ui(er, re_, i, slots());
        if (j < ni) fmpq_mpoly_get_term_exp_ui(ei, im_, j, slots());
        // Terms are sorted highest first: the higher monomial goes next.
        const int order = i >= nr ? -1 : j >= ni ? 1 : compareExponents(er, ei);
        fmpq_zero(a);
        fmpq_zero(b);
        if (order >= 0) fmpq_mpoly_get_term_coeff_fmpq(a, re_, i++, slots());
        if (order <= 0) fmpq_mpoly_get_term_coeff_fmpq(b, im_, j++, slots());
        visit(order >= 0 ? er : ei, a, b);
    }
}

void GaussMpoly::addTerm(const ulong exps[3], const fmpq_t re, const fmpq_t im) {
    Rational old;
    for (int part = 0; part < 2; ++part) {
        fmpq_mpoly_struct *p = part == 0 ? re_ : im_;
        const fmpq *c = part == 0 ? re : im;
        if (fmpq_is_zero(c)) continue;
        fmpq_mpoly_get_coeff_fmpq_ui(old, p, exps, slots());
        fmpq_add(old, old, c);
        fmpq_mpoly_set_coeff_fmpq_ui(p, old, exps, slots());
    }
}

// ---- the reader's arithmetic ----------------------------------------------------

GaussMpoly decimal(std::string_view written) {
    std::string digits;
    long long shift = 0;
    size_t k = 0;
    bool afterPoint = false;
    for (; k < written.size() && written[k] != 'e' && written[k] != 'E'; ++k) {
        if (written[k] == '.') {
            afterPoint = true;
            continue;
        }
        if (digits.empty() && written[k] == '0') {
            if (afterPoint) --shift;
            continue;
        }
        digits += written[k];
        if (afterPoint) --shift;
    }
    long long exponent = 0;
    if (k < written.size()) {
        ++k;
        const bool negative = k < written.size() && written[k] == '-';
        if (k < written.size() && (written[k] == '-' || written[k] == '+')) ++k;
        for (; k < written.size(); ++k)
            if (exponent < 1000000000000LL) exponent = exponent * 10 + (written[k] - '0');
        if (negative) exponent = -exponent;
    }
    GaussMpoly out;
    if (digits.empty()) return out;
    const long long scale = exponent + shift;
    const double leading = static_cast<double>(scale) + static_cast<double>(digits.size()) - 1.0;
    if (leading < -tinyDecimalExponent) abandonForTinyCoefficient(leading);
    // The reader refuses a number whose double overflows before it gets
    // here; a value this large is one anyway.
    if (leading > tinyDecimalExponent) abandon("A coefficient is too large.", "Re-input the polynomial");
    Rational value;
    Integer power;
    fmpz_set_str(fmpq_numref(value), digits.c_str(), 10);
    fmpz_ui_pow_ui(power, 10, static_cast<ulong>(std::llabs(scale)));
    if (scale >= 0) {
        fmpz_mul(fmpq_numref(value), fmpq_numref(value), power);
    } else {
        fmpz_set(fmpq_denref(value), power);
        fmpq_canonicalise(value);
    }
    fmpq_mpoly_set_fmpq(out.re(), value, slots());
    return out;
}

GaussMpoly imaginaryUnit() {
    GaussMpoly out;
    fmpq_mpoly_one(out.im(), slots());
    return out;
}

GaussMpoly variable(int slot) {
    GaussMpoly out;
    fmpq_mpoly_gen(out.re(), slot, slots());
    return out;
}

void add(GaussMpoly &a, const GaussMpoly &b) {
    fmpq_mpoly_add(a.re(), a.re(), b.re(), slots());
    fmpq_mpoly_add(a.im(), a.im(), b.im(), slots());
    checkTermCount(a);
}

void negate(GaussMpoly &a) {
    fmpq_mpoly_neg(a.re(), a.re(), slots());
    fmpq_mpoly_neg(a.im(), a.im(), slots());
}

GaussMpoly product(const GaussMpoly &a, const GaussMpoly &b) {
    checkExponentSum(a, b);
    checkProductTerms(a, b);
    checkExpansionWork(a, b);
    GaussMpoly out;
    fmpq_mpoly_mul(out.re(), a.re(), b.re(), slots());
    if (!a.isReal() || !b.isReal()) {
        Mpoly t(slots());
        fmpq_mpoly_mul(t, a.im(), b.im(), slots());
        fmpq_mpoly_sub(out.re(), out.re(), t, slots());
        fmpq_mpoly_mul(out.im(), a.re(), b.im(), slots());
        fmpq_mpoly_mul(t, a.im(), b.re(), slots());
        fmpq_mpoly_add(out.im(), out.im(), t, slots());
    }
    checkTermCount(out);
    return out;
}

bool divideExactly(GaussMpoly &f, const GaussMpoly &g) {
    if (g.isZero()) abandon("Division by the zero polynomial.", "Re-input the polynomial");
    // Over Q(i): f / g = f conj(g) / |g|^2 with |g|^2 = re^2 + im^2 real,
    // and g divides f exactly when |g|^2 divides both parts of f conj(g).
    GaussMpoly numerator = f;
    GaussMpoly divisor = g;
    if (!g.isReal()) {
        GaussMpoly conjugate = g;
        fmpq_mpoly_neg(conjugate.im(), conjugate.im(), slots());
        numerator = product(f, conjugate);
        divisor = product(g, conjugate);
    }
    GaussMpoly q;
    if (!fmpq_mpoly_divides(q.re(), numerator.re(), divisor.re(), slots()) ||
        !fmpq_mpoly_divides(q.im(), numerator.im(), divisor.re(), slots()))
        return false;
    f = std::move(q);
    return true;
}

void invertConstant(GaussMpoly &c) {
    GaussRational v;
    fmpq_mpoly_get_fmpq(v.re, c.re(), slots());
    fmpq_mpoly_get_fmpq(v.im, c.im(), slots());
    invert(v, v);
    fmpq_mpoly_set_fmpq(c.re(), v.re, slots());
    fmpq_mpoly_set_fmpq(c.im(), v.im, slots());
}

GaussMpoly power(const GaussMpoly &f, ulong n) {
    GaussMpoly out;
    fmpq_mpoly_one(out.re(), slots());
    if (n == 0) return out;
    if (f.isZero()) return GaussMpoly();
    // The highest and the lowest term of f^n are those of f to the n-th
    // power: one far below every double is refused before it is expanded.
    bool first = true;
    double highest = 0.0, lowest = 0.0;
    f.forEachTerm([&](const ulong *, const fmpq *re, const fmpq *im) {
        const double size = std::max(fmpq_is_zero(re) ? -HUGE_VAL : log10Of(re),
                                     fmpq_is_zero(im) ? -HUGE_VAL : log10Of(im));
        if (first) highest = size;
        lowest = size;
        first = false;
    });
    const double least = static_cast<double>(n) * std::min(highest, lowest);
    if (least < -tinyDecimalExponent) abandonForTinyCoefficient(least);
    // Square and multiply, most significant bit first.
    int top = 63;
    while (top > 0 && !((n >> top) & 1)) --top;
    for (int bit = top; bit >= 0; --bit) {
        out = product(out, out);
        if ((n >> bit) & 1) out = product(out, f);
    }
    return out;
}

slong largestExponent(const GaussMpoly &f) {
    slong m = 0;
    for (int s = 0; s < 3; ++s) m = std::max(m, f.degree(s));
    return m;
}

double nearestDouble(const fmpq_t q) {
    Owned<arf_struct> r;
    arf_fmpz_div_fmpz(r, fmpq_numref(q), fmpq_denref(q), 53, ARF_RND_NEAR);
    return arf_get_d(r, ARF_RND_NEAR);
}

Complex constantValue(const GaussMpoly &c) {
    Complex value;
    const ulong zero[3] = {0, 0, 0};
    Rational q;
    fmpq_mpoly_get_coeff_fmpq_ui(q, c.re(), zero, slots());
    value.re = nearestDouble(q);
    fmpq_mpoly_get_coeff_fmpq_ui(q, c.im(), zero, slots());
    value.im = nearestDouble(q);
    return value;
}

}  // namespace quorvel::exact

namespace quorvel {

namespace {

const ExactPolynomial::Data &zeroData() {
    static const ExactPolynomial::Data zero;
    return zero;
}

}  // namespace

ExactPolynomial::ExactPolynomial() = default;

ExactPolynomial::ExactPolynomial(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

const ExactPolynomial::Data &ExactPolynomial::data() const { return data_ ? *data_ : zeroData(); }

const Letters &ExactPolynomial::letters() const { return data().letters; }

bool ExactPolynomial::isZero() const { return data().value.isZero(); }

bool ExactPolynomial::sameAs(const ExactPolynomial &other) const {
    if (identity() == other.identity()) return true;
    const Data &a = data(), &b = other.data();
    return a.letters == b.letters && fmpq_mpoly_equal(a.value.re(), b.value.re(), exact::slots()) &&
           fmpq_mpoly_equal(a.value.im(), b.value.im(), exact::slots());
}

ExactPolynomial exactFromDoubles(const Term *p) {
    auto data = std::make_shared<ExactPolynomial::Data>();
    if (!p) return ExactPolynomial(std::move(data));
    data->letters = lettersOf(p);
    exact::GaussRational c;
    std::vector<const Term *> stack = {p};
    while (!stack.empty()) {
        const Term *t = stack.back();
        stack.pop_back();
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
        if (isZero(t->coef)) continue;
        if (!std::isfinite(t->coef.re) || !std::isfinite(t->coef.im)) {
            showError("A coefficient of the curve is not a finite number.",
                      "Re-input the polynomial with coefficients below 10^308");
            throw ComputationAbandoned("non-finite coefficient");
        }
        exact::rationalOf(c.re, t->coef.re);
        exact::rationalOf(c.im, t->coef.im);
        const ulong exps[3] = {static_cast<ulong>(std::max(0, t->exp[0])),
                               static_cast<ulong>(std::max(0, t->exp[1])),
                               static_cast<ulong>(std::max(0, t->exp[2]))};
        data->value.addTerm(exps, c.re, c.im);
    }
    return ExactPolynomial(std::move(data));
}

Polynomial roundedPolynomial(const ExactPolynomial &p) {
    const ExactPolynomial::Data &d = p.data();
    struct Rounded {
        int exps[3];
        Complex value;
        double tinyLog10;  // the exact size of a coefficient below the normal doubles
    };
    std::vector<Rounded> terms;
    bool tooLarge = false;
    d.value.forEachTerm([&](const ulong *e, const fmpq *re, const fmpq *im) {
        Rounded r{{static_cast<int>(e[0]), static_cast<int>(e[1]), static_cast<int>(e[2])},
                  Complex(exact::nearestDouble(re), exact::nearestDouble(im)), 0.0};
        if (!std::isfinite(r.value.re) || !std::isfinite(r.value.im)) tooLarge = true;
        if (std::max(std::fabs(r.value.re), std::fabs(r.value.im)) < DBL_MIN) {
            const double a = fmpq_is_zero(re) ? -HUGE_VAL : exact::log10Of(re);
            const double b = fmpq_is_zero(im) ? -HUGE_VAL : exact::log10Of(im);
            r.tinyLog10 = std::max(a, b);
        }
        terms.push_back(r);
    });
    if (tooLarge) {
        showError("A coefficient is too large.", "Re-input the polynomial");
        throw ComputationAbandoned("coefficient beyond the double range");
    }
    for (const Rounded &r : terms)
        if (r.tinyLog10 != 0.0) exact::abandonForTinyCoefficient(r.tinyLog10);
    if (static_cast<int>(terms.size()) > exact::freeRecords()) abandonForMemory(termPoolRemedy);
    OwnedPolynomial out(newZero(d.letters));
    for (const Rounded &r : terms) {
        Term t;
        t.coef = r.value;
        for (int s = 0; s < 3; ++s) {
            t.exp[s] = r.exps[s];
            t.var[s] = d.letters[static_cast<size_t>(s)];
        }
        t.var[3] = '\0';
        addTerm(out.ref(), &t);
    }
    return out.release();
}

}  // namespace quorvel
