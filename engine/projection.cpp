#include "engine/projection.h"

#include <memory>
#include <vector>

#include "engine/error.h"
#include "engine/exact_mpoly.h"

namespace quorvel {

namespace {

using exact::GaussMpoly;
using exact::slots;

// The candidates for c, in order: 1, -1, 2, -2, 1/2, -1/2, 3, -3, 1/3, ...
struct Fraction {
    long numerator;
    long denominator;
};
std::vector<Fraction> shearCandidates(int count) {
    std::vector<Fraction> out;
    for (long k = 1; static_cast<int>(out.size()) < count; ++k) {
        for (const Fraction f : {Fraction{k, 1}, Fraction{-k, 1}, Fraction{1, k + 1}, Fraction{-1, k + 1}})
            out.push_back(f);
    }
    return out;
}

void refuseThreeLetters(const GaussMpoly &f) {
    if (f.degree(2) > 0) {
        showError("The fundamental group is computed for a curve in two letters.",
                  "Re-input the curve with a fiber variable and a parameter only");
        throw ComputationAbandoned("fundamental group");
    }
}

// f(x, t + c*x), both parts.
GaussMpoly sheared(const GaussMpoly &f, const fmpq_t c) {
    exact::Mpoly x(slots()), t(slots()), z(slots()), cx(slots());
    fmpq_mpoly_gen(x, 0, slots());
    fmpq_mpoly_gen(z, 2, slots());
    fmpq_mpoly_gen(t, 1, slots());
    fmpq_mpoly_scalar_mul_fmpq(cx, x, c, slots());
    fmpq_mpoly_add(t, t, cx, slots());
    fmpq_mpoly_struct *images[3] = {x, t, z};
    GaussMpoly out;
    fmpq_mpoly_compose_fmpq_mpoly(out.re(), f.re(), images, slots(), slots());
    fmpq_mpoly_compose_fmpq_mpoly(out.im(), f.im(), images, slots(), slots());
    return out;
}

bool properMpoly(const GaussMpoly &f) {
    const slong m = f.degree(0);
    if (m < 1) return false;
    bool proper = true;
    f.forEachTerm([&](const ulong e[3], const fmpq *, const fmpq *) {
        if (static_cast<slong>(e[0]) == m && (e[1] != 0 || e[2] != 0)) proper = false;
    });
    return proper;
}

std::string fractionText(const fmpq *q) {
    char *s = fmpq_get_str(nullptr, 10, q);
    std::string out(s);
    flint_free(s);
    return out;
}

std::string monomialText(const ulong e[3], const Letters &letters) {
    std::string out;
    for (int slot = 0; slot < 3; ++slot) {
        if (e[slot] == 0) continue;
        if (!out.empty()) out += '*';
        out += letters[static_cast<size_t>(slot)];
        if (e[slot] > 1) out += '^' + std::to_string(e[slot]);
    }
    return out;
}

// A rational matrix with every entry 0, freed with the object.
class RationalMatrix {
public:
    RationalMatrix(slong rows, slong cols) : m_(rows, cols) {}
    fmpq *at(slong r, slong c) { return fmpq_mat_entry(m_, r, c); }
    // Each row cleared of its denominators, then a fraction-free rank.
    slong rank() const {
        exact::Owned<fmpz_mat_struct> integer(fmpq_mat_nrows(m_), fmpq_mat_ncols(m_));
        exact::OwnedVector<fmpz> denominators(fmpq_mat_nrows(m_));
        fmpq_mat_get_fmpz_mat_rowwise(integer, denominators.get(), m_);
        return fmpz_mat_rank(integer);
    }

private:
    exact::Owned<fmpq_mat_struct> m_;
};

// Adds k * (re + i im) at (row, col) of the realified matrix: [[A, -B], [B, A]].
void addEntry(RationalMatrix &m, bool gaussian, slong rows, slong cols, slong row, slong col, long k,
              const fmpq *re, const fmpq *im) {
    exact::Rational v;
    auto put = [&](slong r, slong c, const fmpq *part, long sign) {
        if (fmpq_is_zero(part)) return;
        fmpq_mul_si(v, part, k * sign);
        fmpq_add(m.at(r, c), m.at(r, c), v);
    };
    put(row, col, re, 1);
    if (gaussian) {
        put(row, col + cols, im, -1);
        put(row + rows, col, im, 1);
        put(row + rows, col + cols, re, 1);
    }
}

}  // namespace

bool isProperProjection(const ExactPolynomial &curve) { return properMpoly(curve.data().value); }

ProperPosition properPosition(const ExactPolynomial &curve) {
    const GaussMpoly &f = curve.data().value;
    refuseThreeLetters(f);
    if (f.degree(0) < 1) {
        showError("The curve does not involve the fiber variable.",
                  "Re-input the curve, or choose the fiber variable it involves");
        throw ComputationAbandoned("fundamental group");
    }
    ProperPosition out;
    out.curve = curve;
    if (properMpoly(f)) return out;
    const Letters &letters = curve.letters();
    // The top homogeneous part of degree d evaluated at (1, c) is a nonzero
    // polynomial of degree <= d in c: one of any d + 1 values works.
    const slong d = f.degree(0) + f.degree(1);
    exact::Rational c;
    for (const Fraction &candidate : shearCandidates(static_cast<int>(d) + 1)) {
        fmpq_set_si(c, candidate.numerator, static_cast<ulong>(candidate.denominator));
        GaussMpoly g = sheared(f, c);
        if (!properMpoly(g)) continue;
        auto data = std::make_shared<ExactPolynomial::Data>();
        data->letters = letters;
        data->value = std::move(g);
        out.curve = ExactPolynomial(std::move(data));
        out.changed = true;
        out.cNumerator = candidate.numerator;
        out.cDenominator = candidate.denominator;
        const std::string magnitude = std::to_string(candidate.numerator < 0 ? -candidate.numerator
                                                                              : candidate.numerator) +
                                      (candidate.denominator == 1 ? "" : "/" + std::to_string(candidate.denominator));
        out.change = std::string(1, letters[1]) + " -> " + letters[1] + (candidate.numerator < 0 ? " - " : " + ") +
                     (magnitude == "1" ? "" : magnitude + "*") + letters[0];
        break;
    }
    if (!out.changed) {
        // Cannot happen by the degree argument above; a failure says so.
        showError("No shear t -> t + c*x made the projection proper.", "Tell the maker");
        throw ComputationAbandoned("fundamental group");
    }
    return out;
}

std::string exactText(const ExactPolynomial &p) {
    const Letters &letters = p.letters();
    std::string out;
    p.data().value.forEachTerm([&](const ulong e[3], const fmpq *re, const fmpq *im) {
        const std::string monomial = monomialText(e, letters);
        std::string coefficient;
        bool negative = false;
        if (fmpq_is_zero(im)) {
            negative = fmpq_sgn(re) < 0;
            exact::Rational a;
            fmpq_abs(a, re);
            coefficient = fractionText(a);
            if (coefficient == "1" && !monomial.empty()) coefficient.clear();
        } else {
            std::string imText = fractionText(im);
            if (imText[0] != '-' && !fmpq_is_zero(re)) imText = "+" + imText;
            coefficient = "(" + (fmpq_is_zero(re) ? std::string() : fractionText(re)) + imText + "*i)";
        }
        out += negative ? "-" : (out.empty() ? "" : "+");
        out += coefficient;
        if (!coefficient.empty() && !monomial.empty()) out += '*';
        out += monomial;
    });
    return out.empty() ? "0" : out;
}

int absoluteComponentCount(const ExactPolynomial &curve) {
    const GaussMpoly &f = curve.data().value;
    if (!properMpoly(f) || f.degree(2) > 0) return -1;
    const slong m = f.degree(0), n = f.degree(1);
    const bool gaussian = !f.isReal();
    // Unknowns: g_{a,b} (a < m, b <= n), then h_{a,b} (a <= m, b < n).
    const slong gCount = m * (n + 1), hCount = (m + 1) * n;
    const slong cols = gCount + hCount;
    // Equations: the coefficient of x^p t^q, p < 2m, q < 2n, of
    // g_t f - g f_t - h_x f + h f_x.
    const slong tRows = n > 0 ? 2 * n : 1;
    const slong rows = 2 * m * tRows;
    const int scale = gaussian ? 2 : 1;
    RationalMatrix matrix(scale * rows, scale * cols);
    auto row = [&](slong p, slong q) { return p * tRows + q; };
    f.forEachTerm([&](const ulong e[3], const fmpq *re, const fmpq *im) {
        const slong i = static_cast<slong>(e[0]), j = static_cast<slong>(e[1]);
        // x^a t^b in g: (b - j) c x^(a+i) t^(b+j-1).
        for (slong a = 0; a < m; ++a)
            for (slong b = 0; b <= n; ++b)
                if (b != j && b + j >= 1)
                    addEntry(matrix, gaussian, rows, cols, row(a + i, b + j - 1), a * (n + 1) + b, b - j, re, im);
        // x^a t^b in h: (i - a) c x^(a+i-1) t^(b+j).
        for (slong a = 0; a <= m; ++a)
            for (slong b = 0; b < n; ++b)
                if (a != i && a + i >= 1)
                    addEntry(matrix, gaussian, rows, cols, row(a + i - 1, b + j), gCount + a * n + b, i - a, re, im);
    });
    const slong nullity = scale * cols - matrix.rank();
    return static_cast<int>(nullity / scale);
}

}  // namespace quorvel
