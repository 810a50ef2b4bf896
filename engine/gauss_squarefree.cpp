// Squarefree factorisation over Q(i) by reduction modulo primes.
//
// For a prime p = 1 (mod 4), i has two images s and -s in F_p; a monic
// factor S = Sr + i Si over Q(i) maps to S_s = Sr + s Si and
// S_-s = Sr - s Si, so Sr = (S_s + S_-s) / 2 and Si = (S_s - S_-s) / (2s)
// modulo p. The squarefree factors of both images, combined over many
// primes by the Chinese remainder theorem and read back as rationals, give
// candidates that are accepted only when lc * prod S_k^k equals the
// polynomial exactly. A prime whose factor degrees differ from the others'
// (it merged roots, or its leading coefficient vanished) is passed over.
// Euclid's algorithm over Q(i) does the same work with coefficients that
// grow on every step; this stays with word-size arithmetic until the end.
#include <flint/fmpz_poly.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>
#include <flint/ulong_extras.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "engine/exact_poly.h"

namespace quorvel::exact {

namespace {

inline constexpr int maxPrimes = 400;

// One squarefree factor's real and imaginary parts modulo the primes so far.
struct Accumulated {
    int multiplicity = 0;
    GaussIntegerPoly parts;
};

// Monic squarefree factors of a polynomial over F_p, with multiplicities,
// ordered by multiplicity.
struct ModularFactors {
    ModularFactors() = default;
    ModularFactors(const ModularFactors &) = delete;
    ModularFactors &operator=(const ModularFactors &) = delete;
    std::vector<std::pair<int, slong>> pattern;  // (multiplicity, degree)
    std::deque<Owned<nmod_poly_struct>> polys;
};

void factorModP(const nmod_poly_t f, ModularFactors &out) {
    Owned<nmod_poly_factor_struct> fac;
    nmod_poly_factor_squarefree(fac, f);
    std::vector<std::pair<int, slong>> order;
    for (slong k = 0; k < fac->num; ++k) order.emplace_back(static_cast<int>(fac->exp[k]), k);
    std::sort(order.begin(), order.end());
    for (const auto &[multiplicity, k] : order) {
        out.pattern.emplace_back(multiplicity, nmod_poly_degree(fac->p + k));
        nmod_poly_struct *copy = out.polys.emplace_back(f->mod.n);
        nmod_poly_make_monic(copy, fac->p + k);
    }
}

GaussPoly product(const GaussPoly &a, const GaussPoly &b) {
    GaussPoly out;
    RationalPoly t;
    fmpq_poly_mul(out.re(), a.re(), b.re());
    fmpq_poly_mul(t, a.im(), b.im());
    fmpq_poly_sub(out.re(), out.re(), t);
    fmpq_poly_mul(out.im(), a.re(), b.im());
    fmpq_poly_mul(t, a.im(), b.re());
    fmpq_poly_add(out.im(), out.im(), t);
    return out;
}

// Reads every coefficient modulo `modulus` as a rational; false when one
// does not reconstruct yet.
bool reconstruct(const fmpz_poly_t residues, const fmpz_t modulus, fmpq_poly_t out) {
    fmpq_poly_zero(out);
    Integer c;
    Rational q;
    bool ok = true;
    for (slong k = 0; ok && k <= fmpz_poly_degree(residues); ++k) {
        fmpz_poly_get_coeff_fmpz(c, residues, k);
        ok = fmpq_reconstruct_fmpz(q, c, modulus) != 0;
        if (ok) fmpq_poly_set_coeff_fmpq(out, k, q);
    }
    return ok;
}

// lc * prod factor_k^k == p exactly.
bool verified(const GaussPoly &p, const std::vector<SquarefreeFactor> &factors) {
    GaussPoly whole;
    GaussRational lead;
    p.coefficient(lead, p.degree());
    whole.setCoefficient(0, lead);
    for (const SquarefreeFactor &f : factors)
        for (int k = 0; k < f.multiplicity; ++k) whole = product(whole, f.factor);
    return fmpq_poly_equal(whole.re(), p.re()) && fmpq_poly_equal(whole.im(), p.im());
}

}  // namespace

bool modularSquarefree(const GaussPoly &p, std::vector<SquarefreeFactor> &out) {
    const slong n = p.degree();
    if (n <= 0) return false;
    // p * D = re + i im with integer parts.
    GaussIntegerPoly parts;
    Integer denominator;
    integerParts(p, parts, denominator);

    std::vector<std::pair<int, slong>> pattern;
    std::vector<std::unique_ptr<Accumulated>> acc;
    Integer modulus;
    fmpz_one(modulus);
    bool done = false;
    ulong prime = UWORD(1) << 61;
    for (int used = 0; used < maxPrimes && !done;) {
        prime = n_nextprime(prime, 1);
        if (prime % 4 != 1) continue;
        const ulong s = n_sqrtmod(prime - 1, prime);
        Owned<nmod_poly_struct> re(prime), im(prime), image0(prime), image1(prime);
        nmod_poly_struct *image[2] = {image0, image1};
        fmpz_poly_get_nmod_poly(re, parts.re);
        fmpz_poly_get_nmod_poly(im, parts.im);
        ModularFactors factors[2];
        bool lucky = true;
        for (int e = 0; e < 2; ++e) {
            nmod_poly_scalar_mul_nmod(image[e], im, e == 0 ? s : prime - s);
            nmod_poly_add(image[e], image[e], re);
            if (nmod_poly_degree(image[e]) != n) lucky = false;
            if (lucky) factorModP(image[e], factors[e]);
        }
        lucky = lucky && factors[0].pattern == factors[1].pattern;
        // The true factorisation has the largest squarefree part; a prime
        // that merged roots has a smaller one.
        slong radical = 0;
        if (lucky)
            for (const auto &[m, d] : factors[0].pattern) radical += d;
        slong bestRadical = 0;
        for (const auto &[m, d] : pattern) bestRadical += d;
        if (lucky && (pattern.empty() || radical > bestRadical)) {
            pattern = factors[0].pattern;
            acc.clear();
            for (const auto &[m, d] : pattern) {
                acc.push_back(std::make_unique<Accumulated>());
                acc.back()->multiplicity = m;
            }
            fmpz_set_ui(modulus, 1);
        }
        if (lucky && factors[0].pattern == pattern) {
            const ulong half = n_invmod(2, prime);
            const ulong halfOverS = n_mulmod2_preinv(half, n_invmod(s, prime), prime, n_preinvert_limb(prime));
            for (size_t k = 0; k < pattern.size(); ++k) {
                Owned<nmod_poly_struct> sum(prime), diff(prime);
                nmod_poly_add(sum, factors[0].polys[k], factors[1].polys[k]);
                nmod_poly_scalar_mul_nmod(sum, sum, half);
                nmod_poly_sub(diff, factors[0].polys[k], factors[1].polys[k]);
                nmod_poly_scalar_mul_nmod(diff, diff, halfOverS);
                GaussIntegerPoly &a = acc[k]->parts;
                fmpz_poly_CRT_ui(a.re, a.re, modulus, sum, 0);
                fmpz_poly_CRT_ui(a.im, a.im, modulus, diff, 0);
            }
            fmpz_mul_ui(modulus, modulus, prime);
            ++used;
            // Try to read the factors back every few primes.
            if (used % 4 == 0) {
                std::vector<SquarefreeFactor> candidate(pattern.size());
                bool ok = true;
                for (size_t k = 0; ok && k < pattern.size(); ++k) {
                    candidate[k].multiplicity = acc[k]->multiplicity;
                    ok = reconstruct(acc[k]->parts.re, modulus, candidate[k].factor.re()) &&
                         reconstruct(acc[k]->parts.im, modulus, candidate[k].factor.im());
                }
                if (ok && verified(p, candidate)) {
                    out = std::move(candidate);
                    done = true;
                }
            }
        } else {
            ++used;
        }
    }
    return done;
}

}  // namespace quorvel::exact
